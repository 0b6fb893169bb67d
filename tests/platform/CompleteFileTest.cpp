// A file written complete or not at all, as the ZIP reader and the shared stores write theirs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/AtomicFile.h"

using namespace win;

namespace {

class CompleteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
  }
  void TearDown() override { ::close(fd); }
  QStringList Entries() const {
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
  }
  QByteArray Read(const QString& name) const {
    QFile f(dir.path() + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
  }
  CompleteFile::Namer Namer() {
    return [this] { return QByteArray(".tmp") + QByteArray::number(serial++); };
  }
  int Write(CompleteFile& f, const QByteArray& data) {
    return ::write(f.fd(), data.constData(), size_t(data.size())) == data.size() ? 0 : errno;
  }

  QTemporaryDir dir;
  int fd = -1;
  int serial = 0;
};

TEST_F(CompleteFileTest, AppearsOnlyWhenCommittedWithOrWithoutUnnamedFiles) {
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed" : "named from the start");
    QFile::remove(dir.path() + "/new.txt");
    {
      CompleteFile f;
      ASSERT_EQ(f.Open(fd, "new.txt", 0644, Namer(), unnamed), 0);
      EXPECT_EQ(f.Unnamed(), unnamed);
      ASSERT_EQ(Write(f, "half"), 0);
      EXPECT_FALSE(Entries().contains("new.txt"));
    }  // dropped before Commit: nothing stays
    EXPECT_EQ(Entries(), QStringList{});
    CompleteFile f;
    ASSERT_EQ(f.Open(fd, "new.txt", 0640, Namer(), unnamed), 0);
    ASSERT_EQ(Write(f, "whole"), 0);
    ASSERT_EQ(f.Commit(true), 0);
    EXPECT_EQ(Entries(), QStringList{"new.txt"});
    EXPECT_EQ(Read("new.txt"), "whole");
    EXPECT_EQ(QFile(dir.path() + "/new.txt").permissions() & QFile::WriteGroup, 0);
  }
}

TEST_F(CompleteFileTest, ReplacesAFileOrALinkItselfNeverWritingThroughIt) {
  QFile outside(dir.path() + "/outside");
  ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
  outside.write("untouched");
  outside.close();
  ASSERT_TRUE(QFile::link(dir.path() + "/outside", dir.path() + "/link"));
  QFile old(dir.path() + "/old");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old content");
  old.close();
  for (const char* name : {"link", "old"}) {
    for (bool unnamed : {true, false}) {
      CompleteFile f;
      ASSERT_EQ(f.Open(fd, name, 0644, Namer(), unnamed), 0);
      ASSERT_EQ(Write(f, "new"), 0);
      ASSERT_EQ(f.Commit(false), 0);
      EXPECT_EQ(Read(name), "new");
    }
  }
  EXPECT_FALSE(QFileInfo(dir.path() + "/link").isSymLink());
  EXPECT_EQ(Read("outside"), "untouched");
  EXPECT_EQ(Entries(), (QStringList{"link", "old", "outside"})) << "no temporary name left";
}

TEST_F(CompleteFileTest, AFolderWhereTheFileShouldBeFailsAndLeavesNothing) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
  for (bool unnamed : {true, false}) {
    CompleteFile f;
    ASSERT_EQ(f.Open(fd, "taken", 0644, Namer(), unnamed), 0);
    ASSERT_EQ(Write(f, "data"), 0);
    EXPECT_NE(f.Commit(false), 0);
    EXPECT_EQ(Entries(), QStringList{"taken"});
  }
}

}  // namespace
