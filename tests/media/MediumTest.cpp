// The medium builder end to end: a disk set made by mkmedium is assembled from floppies inserted
// one by one and unpacked back into the same files, times and attributes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "kit/MsgDlg.h"
#include "media/Diskset.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// The medium as the installer state describes it.
TDiskSet StateDisks() {
  return {SourceDir, DiskCount, ShownProgramDir};
}

struct NullPage : TDiskSetPage {
  void SetGroupName(const QString&) override {}
  void SetCopyMax(int) override {}
  void SetCopyPosition(int) override {}
  void SetUnzipMax(int) override {}
  void SetUnzipPosition(int) override {}
  void SetModalResult(int) override {}
};

class MediumTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    src = machine.folder() + "/src";
    medium = machine.AddDrive('M', "fixed");  // where the medium is built
  }
  void TearDown() override {
    MsgPrefix.clear();
    ResetInstallerState();
  }
  int Mkmedium(const QStringList& args, QString* err = nullptr) {
    QProcess p;
    p.start(MKMEDIUM_EXE, args);
    p.waitForFinished(60000);
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  QString src, medium;
};

TEST_F(MediumTest, AMediumOfThreeDisksAssemblesAndUnpacksToTheSameFiles) {
  QByteArray big;
  for (int i = 0; i < 40000; ++i) big += QByteArray::number(i * 2654435761u % 1000003) + ',';
  machine.WriteHostFile(src + "/EXE/ZORVAN.EXE", big);
  machine.WriteHostFile(src + "/EXE/VerInfo/3200875.01/Instruct.htm", "<title>Note</title>");
  machine.WriteHostFile(src + "/EXE/READONLY.TXT", "ro");
  QFile::setPermissions(src + "/EXE/READONLY.TXT", QFile::ReadOwner | QFile::ReadGroup);
  QDir().mkpath(src + "/EXE/EMPTY");
  machine.WriteHostFile(src + "/HELP/ZORVAN.HLP", "help");
  machine.WriteHostFile(src + "/DBNEW/NEW/DATA/T.DB", QByteArray(5000, 't'));
  {
    QFile hlp(src + "/HELP/ZORVAN.HLP");
    ASSERT_TRUE(hlp.open(QIODevice::ReadWrite));
    hlp.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 10)),
                    QFileDevice::FileModificationTime);
  }
  machine.WriteHostFile(machine.folder() + "/setup", "#!/bin/sh\n");
  machine.WriteHostFile(machine.folder() + "/UPGRADE.so", "library");

  ASSERT_EQ(Mkmedium({"--out", medium, "--disks", "3", "--part-size", "30000", "--installer",
                      machine.folder() + "/setup", "--upgrade", machine.folder() + "/UPGRADE.so",
                      src + "/EXE", src + "/HELP", src + "/DBNEW"}),
            0);
  QStringList disks = QDir(medium).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  ASSERT_EQ(disks, QStringList({"disk1", "disk2", "disk3"}));
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(QFileInfo(QString("%1/disk%2/DISK%2").arg(medium).arg(n)).isFile());
    for (const QFileInfo& part :
         QDir(QString("%1/disk%2").arg(medium).arg(n)).entryInfoList({"*.?"}))
      EXPECT_LE(part.size(), 30000) << part.fileName().toStdString();
  }
  EXPECT_EQ(machine.ReadHostFile(medium + "/disk1/INSTALL.CFG"), "[General]\r\nNrDiscuri=3\r\n");
  EXPECT_TRUE(QFileInfo(medium + "/disk1/INSTALL.EXE").isExecutable());
  EXPECT_EQ(machine.ReadHostFile(medium + "/disk1/INSTALL.EXE"), "#!/bin/sh\n");
  EXPECT_FALSE(QFileInfo::exists(medium + "/disk2/INSTALL.EXE"));
  EXPECT_TRUE(QFileInfo::exists(medium + "/disk3/DBNEW.1"));

  // Floppies, inserted as the prompts ask.
  QString floppy = machine.AddDrive('A', "removable");
  auto insert = [&](int n) {
    return [=, this](QWidget* modal) {
      QDir(floppy).removeRecursively();
      QDir().mkpath(floppy);
      for (const QFileInfo& f :
           QDir(QString("%1/disk%2").arg(medium).arg(n)).entryInfoList(QDir::Files))
        QFile::copy(f.filePath(), floppy + "/" + f.fileName());
      ScriptedUser::Click("O&K")(modal);
    };
  };
  ScriptedUser user;
  user.Then(insert(1)).Then(insert(2)).Then(insert(3));
  SourceDir = "A:\\";
  DiskCount = 3;
  QDir().mkpath(machine.folder() + "/drive_c/WinZorv");  // the folders page made it
  NullPage page;
  ASSERT_TRUE(AssembleArchives(page, InstallSets[ikLocal], StateDisks()));
  EXPECT_EQ(user.Pending(), 0);

  TZipReader upgrade("M:\\disk1\\UPGRADE.1");
  ASSERT_EQ(upgrade.Count(), 1);
  EXPECT_EQ(upgrade.Entries()[0].FileName, "UPGRADE.dll");

  for (const char* key : {"EXE", "HELP", "DBNEW"}) {
    TZipReader r(QString("C:\\WinZorv\\%1.ZIP").arg(key));
    for (const TZipHeader& h : r.Entries()) {
      EXPECT_TRUE(h.MadeByDos()) << h.FileName.toStdString();
      EXPECT_TRUE(h.IsFolder() || h.CompressionMethod == 8) << h.FileName.toStdString();
    }
    UnzipArchive(page, QString("C:\\WinZorv\\%1.ZIP").arg(key), "C:\\Out");
  }
  const QString out = machine.folder() + "/drive_c/Out";
  QDirIterator it(src, QDir::Files, QDirIterator::Subdirectories);
  int files = 0;
  while (it.hasNext()) {
    QString path = it.next();
    QString rel = path.mid(src.size() + 1);
    rel = rel.mid(rel.indexOf('/') + 1);  // below the component folder
    EXPECT_EQ(machine.ReadHostFile(out + "/" + rel), machine.ReadHostFile(path))
        << rel.toStdString();
    ++files;
  }
  EXPECT_EQ(files, 5);
  EXPECT_TRUE(QFileInfo(out + "/EMPTY").isDir());
  EXPECT_EQ(win::FileModified("C:\\Out\\ZORVAN.HLP"),
            QDateTime(QDate(2020, 5, 6), QTime(7, 8, 10)));
  EXPECT_EQ(win::FileGetAttr("C:\\Out\\READONLY.TXT") & win::faReadOnly, win::faReadOnly);
  EXPECT_TRUE(QFileInfo(out + "/ZORVAN.EXE").isExecutable());
}

TEST_F(MediumTest, TheInstallerOnTheMediumIsAStrippedCopy) {
  const QString build = ZAREDERAD_SETUP_EXE;
  const QByteArray before = machine.ReadHostFile(build);
  ASSERT_TRUE(before.contains(".debug_info")) << "a build with debug data";
  QDir().mkpath(src + "/EXE");
  machine.WriteHostFile(src + "/EXE/A.TXT", "a");
  ASSERT_EQ(Mkmedium({"--out", medium, "--disks", "1", "--installer", build, src + "/EXE"}), 0);
  const QByteArray placed = machine.ReadHostFile(medium + "/disk1/INSTALL.EXE");
  EXPECT_TRUE(
      placed.startsWith("\x7f"
                        "ELF"));
  EXPECT_FALSE(placed.contains(".debug_info"));
  EXPECT_LT(placed.size(), before.size());
  EXPECT_TRUE(QFileInfo(medium + "/disk1/INSTALL.EXE").isExecutable());
  EXPECT_EQ(machine.ReadHostFile(build), before) << "the build keeps its debug data";
}

TEST_F(MediumTest, BadArgumentsAreRefusedWithAMessage) {
  QDir().mkpath(src + "/NOTAKEY");
  QDir().mkpath(src + "/EXE");
  struct Case {
    QStringList args;
    const char* message;
  };
  const Case cases[] = {
      {{"--disks", "1", src + "/EXE"}, "--out"},
      {{"--out", medium, src + "/EXE"}, "--disks"},
      {{"--out", medium, "--disks", "0", src + "/EXE"}, "--disks"},
      {{"--out", medium, "--disks", "1", src + "/NOTAKEY"}, "component key"},
      {{"--out", medium, "--disks", "1", src + "/MISSING"}, "not a folder"},
      {{"--out", medium, "--disks", "1", "--part-size", "x", src + "/EXE"}, "--part-size"},
  };
  for (const Case& c : cases) {
    QString err;
    EXPECT_EQ(Mkmedium(c.args, &err), 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
  }
}

}  // namespace
