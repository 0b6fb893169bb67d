// The ZIP reader: listing, unpacking by the rules of the installer, and refusing damaged or
// hostile archives without writing outside the destination or leaving partial files behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "RawZip.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/WinError.h"

namespace {

class ZipReaderTest : public MachineTest {
 protected:
  const QString archive = "C:\\arch\\T.ZIP";
  const QString dest = "C:\\WinZorv\\DEST";

  void Write(const QByteArray& zip) {
    machine.WriteHostFile(machine.folder() + "/drive_c/arch/T.ZIP", zip);
  }
  QString HostDest() const { return machine.folder() + "/drive_c/WinZorv/DEST"; }
  // Every file and link of the machine, relative to its folder.
  QSet<QString> Tree() const {
    QSet<QString> all;
    QDirIterator it(machine.folder(), QDir::AllEntries | QDir::Hidden | QDir::System |
                                          QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) all.insert(it.next().mid(machine.folder().size()));
    return all;
  }
};

TEST_F(ZipReaderTest, ListsEntriesInDirectoryOrderWithTheirHeaders) {
  RawEntry a = FileEntry("b/second.txt", "hello");
  RawEntry b = FileEntry("a.txt", QByteArray(3000, 'x'));
  b.madeBy = 0x0317;
  b.external = (0100644u << 16);
  RawEntry c;
  c.name = "Fi\xe7ier.txt";  // "s with caron" in the Central European DOS code page
  c.data = "d";
  Write(BuildZip({a, b, c}));
  TZipReader r(archive);
  ASSERT_EQ(r.Count(), 3);
  const auto& e = r.Entries();
  EXPECT_EQ(e[0].FileName, "b/second.txt");
  EXPECT_EQ(e[0].UncompressedSize, 5u);
  EXPECT_EQ(e[0].DosDate, a.dosDate);
  EXPECT_EQ(e[0].DosTime, a.dosTime);
  EXPECT_EQ(e[0].ExternalAttributes, 0x20u);
  EXPECT_TRUE(e[0].MadeByDos());
  EXPECT_EQ(e[1].FileName, "a.txt");
  EXPECT_EQ(e[1].UncompressedSize, 3000u);
  EXPECT_EQ(e[1].VersionMadeBy >> 8, 3);
  EXPECT_EQ(e[1].ExternalAttributes, 0100644u << 16);
  EXPECT_EQ(e[2].FileName, QString::fromUtf8("Fi\xc5\xa1ier.txt"));
}

TEST_F(ZipReaderTest, OpeningFailsWithAMessageNamingTheArchive) {
  struct Case {
    const char* what;
    QByteArray content;  // empty: no file at all
    const char* expected;
  };
  QByteArray zip = BuildZip({FileEntry("a.txt", "abc")});
  const Case cases[] = {
      {"missing", {}, "does not exist"},
      {"not a zip", "just some text, certainly no archive", "not a ZIP"},
      {"cut before its directory", zip.left(zip.size() - 30), "C:\\arch\\T.ZIP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(machine.folder() + "/drive_c/arch/T.ZIP");
    if (!c.content.isEmpty()) Write(c.content);
    try {
      TZipReader r(archive);
      ADD_FAILURE() << "opened";
    } catch (const win::Error& e) {
      EXPECT_TRUE(e.message().contains(archive)) << e.what();
      EXPECT_TRUE(e.message().contains(c.expected)) << e.what();
    }
  }
  EXPECT_THROW(TZipReader("Q:\\nowhere.zip"), win::Error);
}

TEST_F(ZipReaderTest, UnpacksFoldersFilesTimesAndAttributes) {
  RawEntry folder;
  folder.name = "EMPTY/";
  folder.method = 0;
  folder.external = 0x10;
  RawEntry ro = FileEntry("SUB/DEEP/RO.TXT", "read only");
  ro.external = 0x21;
  RawEntry unixRo = FileEntry("UNIX.TXT", "unix");
  unixRo.madeBy = 0x0314;
  unixRo.external = (0100444u << 16) | 0x01;  // DOS bits of a Unix entry are not applied
  RawEntry stored = FileEntry("stored.bin", QByteArray(70000, '\x7f'));
  stored.method = 0;
  RawEntry empty = FileEntry("ZERO.DAT", "");
  RawEntry exe = FileEntry("PROG.EXE", "#!/bin/sh\nexit 0\n");
  Write(BuildZip({folder, ro, unixRo, stored, empty, exe}));

  // An existing file with another case is replaced under its own name.
  machine.WriteHostFile(HostDest() + "/Stored.Bin", "old content that is longer");

  TZipReader r(archive);
  QList<QPair<quint64, QString>> reports;
  r.OnProgress = [&](quint64 pos, const TZipHeader& h) {
    // Reported once the data are completely written under the entry's name.
    QString path = dest + "\\" + QString(h.FileName).replace('/', '\\');
    EXPECT_EQ(win::FileSize(path), qint64(pos)) << h.FileName.toStdString();
    reports.append({pos, h.FileName});
  };
  r.UnpackAll(dest);

  EXPECT_TRUE(QFileInfo(HostDest() + "/EMPTY").isDir());
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/SUB/DEEP/RO.TXT"), "read only");
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/Stored.Bin"), QByteArray(70000, '\x7f'));
  EXPECT_FALSE(QFileInfo::exists(HostDest() + "/stored.bin"));
  EXPECT_EQ(QFileInfo(HostDest() + "/ZERO.DAT").size(), 0);
  EXPECT_EQ(win::FileGetAttr(dest + "\\SUB\\DEEP\\RO.TXT") & win::faReadOnly, win::faReadOnly);
  EXPECT_EQ(win::FileGetAttr(dest + "\\UNIX.TXT") & win::faReadOnly, 0);
  EXPECT_TRUE(QFileInfo(HostDest() + "/PROG.EXE").isExecutable());
  EXPECT_FALSE(QFileInfo(HostDest() + "/ZERO.DAT").isExecutable());
  EXPECT_EQ(win::FileModified(dest + "\\SUB\\DEEP\\RO.TXT"),
            QDateTime(QDate(2021, 3, 14), QTime(10, 30, 10)));

  ASSERT_EQ(reports.size(), 5);  // the folder entry reports nothing
  EXPECT_EQ(reports[0], qMakePair(quint64(9), QString("SUB/DEEP/RO.TXT")));
  EXPECT_EQ(reports[3], qMakePair(quint64(0), QString("ZERO.DAT")));

  // A second run replaces what the first wrote, except the read-only file, as the platform does.
  TZipReader again(archive);
  try {
    again.UnpackAll(dest);
    ADD_FAILURE() << "replaced a read-only file";
  } catch (const win::Error& e) {
    EXPECT_TRUE(e.message().contains("RO.TXT")) << e.what();
  }
}

TEST_F(ZipReaderTest, UnpacksOneEntryByIndex) {
  Write(BuildZip({FileEntry("A.TXT", "a"), FileEntry("NEW/DATA/B.DB", "b"),
                  FileEntry("C.TXT", "c")}));
  TZipReader r(archive);
  int reports = 0;
  r.OnProgress = [&](quint64, const TZipHeader& h) {
    EXPECT_EQ(h.FileName, "NEW/DATA/B.DB");
    ++reports;
  };
  r.UnpackEntry(1, dest);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/NEW/DATA/B.DB"), "b");
  EXPECT_FALSE(QFileInfo::exists(HostDest() + "/A.TXT"));
  EXPECT_FALSE(QFileInfo::exists(HostDest() + "/C.TXT"));
  EXPECT_THROW(r.UnpackEntry(3, dest), win::Error);
}

TEST_F(ZipReaderTest, HostileAndDamagedArchivesAreRefused) {
  QByteArray big(200000, 'z');
  for (int i = 0; i < big.size(); i += 7) big[i] = char('a' + i % 26);
  RawEntry crc = FileEntry("CRC.TXT", "checksum me");
  crc.crc = 0x12345678;
  RawEntry lieBig = FileEntry("LIE.TXT", big);
  lieBig.size = 1000;  // inflates to far more than it declares
  RawEntry lieSmall = FileEntry("SHORT.TXT", "abc");
  lieSmall.size = 10;
  RawEntry cut = FileEntry("CUT.TXT", big);
  cut.truncateData = 300;  // a deflate stream that stops in the middle
  RawEntry encrypted = FileEntry("SECRET.TXT", "xxxxxxxxxxxxxxxxxxxx");
  encrypted.flags = 1;
  RawEntry bzip = FileEntry("BZ.TXT", "data");
  bzip.method = 12;
  RawEntry dosAttrDir = FileEntry("SUB\\..\\..\\evil", "x");

  struct Case {
    const char* what;
    QList<RawEntry> entries;
    const char* entry;     // named in the message
    const char* expected;  // also in the message
  };
  const QList<Case> cases = {
      {"parent", {FileEntry("../evil", "x")}, "../evil", "outside"},
      {"parent in the middle", {FileEntry("a/../../evil", "x")}, "a/../../evil", "outside"},
      {"absolute", {FileEntry("/etc/x", "x")}, "/etc/x", "absolute"},
      {"drive letter", {FileEntry("C:\\x", "x")}, "C:\\x", "drive"},
      {"drive relative", {FileEntry("C:x", "x")}, "C:x", "drive"},
      {"backslashes", {FileEntry("..\\..\\evil", "x")}, "..\\..\\evil", "outside"},
      {"backslash in the middle", {dosAttrDir}, "SUB\\..\\..\\evil", "outside"},
      {"dots and blanks", {FileEntry(".. /evil", "x")}, ".. /evil", "outside"},
      {"root only", {FileEntry("/", "")}, "/", "absolute"},
      {"link outside", {LinkEntry("link", "../../..")}, "link", "symbolic link"},
      {"file through a link",
       {FileEntry("ok.txt", "fine"), LinkEntry("up", "../.."), FileEntry("up/evil", "x")},
       "up",
       "symbolic link"},
      {"crc", {FileEntry("first.txt", "ok"), crc}, "CRC.TXT", "CRC"},
      {"declares less", {lieBig}, "LIE.TXT", "declared size"},
      {"declares more", {lieSmall}, "SHORT.TXT", "declared size"},
      {"truncated stream", {cut}, "CUT.TXT", "C:\\arch\\T.ZIP"},
      {"encrypted", {encrypted}, "SECRET.TXT", "encrypted"},
      {"unsupported method", {bzip}, "BZ.TXT", "method 12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(HostDest()).removeRecursively();
    Write(BuildZip(c.entries));
    QSet<QString> before = Tree();
    try {
      TZipReader r(archive);
      r.UnpackAll(dest);
      ADD_FAILURE() << "unpacked";
    } catch (const win::Error& e) {
      EXPECT_TRUE(e.message().contains(archive)) << e.what();
      EXPECT_TRUE(e.message().contains(c.entry)) << e.what();
      EXPECT_TRUE(e.message().contains(c.expected)) << e.what();
    }
    // Nothing appeared but the destination itself and whole files of good entries before the
    // bad one; no temporary file and no partial file stays.
    QSet<QString> added = Tree() - before;
    for (const QString& p : added) {
      EXPECT_TRUE(p.startsWith("/drive_c/WinZorv")) << p.toStdString();
      EXPECT_FALSE(p.contains(".tmp")) << p.toStdString();
      EXPECT_TRUE(p == "/drive_c/WinZorv" || p == "/drive_c/WinZorv/DEST" ||
                  p == "/drive_c/WinZorv/DEST/first.txt")
          << p.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(machine.folder() + "/drive_c/WinZorv/evil"));
    EXPECT_FALSE(QFileInfo::exists(machine.folder() + "/drive_c/evil"));
  }
}

TEST_F(ZipReaderTest, ALinkAlreadyInTheDestinationIsReplacedNotWrittenThrough) {
  const QString outside = machine.folder() + "/outside.txt";
  machine.WriteHostFile(outside, "keep me");
  QDir().mkpath(HostDest());
  ASSERT_TRUE(QFile::link(outside, HostDest() + "/LINK.TXT"));
  Write(BuildZip({FileEntry("link.txt", "new content")}));
  UnzipAll(archive, dest);
  EXPECT_EQ(machine.ReadHostFile(outside), "keep me");
  EXPECT_FALSE(QFileInfo(HostDest() + "/LINK.TXT").isSymLink());
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/LINK.TXT"), "new content");
}

TEST_F(ZipReaderTest, AMissingMiddlePartIsRefused) {
  QByteArray big;
  for (int i = 0; i < 50000; ++i) big += QByteArray::number(i * 7919 % 10007) + ' ';
  QByteArray zip = BuildZip({FileEntry("A.TXT", big), FileEntry("B.TXT", big.left(9000))});
  int third = zip.size() / 3;
  Write(zip.left(third) + zip.mid(2 * third));
  try {
    TZipReader r(archive);
    r.UnpackAll(dest);
    ADD_FAILURE() << "unpacked";
  } catch (const win::Error& e) {
    EXPECT_TRUE(e.message().contains(archive)) << e.what();
  }
  EXPECT_FALSE(QFileInfo::exists(HostDest() + "/A.TXT"));
}

TEST_F(ZipReaderTest, RandomDamageIsRefusedOrUnpackedButNeverEscapes) {
  QByteArray text;
  for (int i = 0; i < 3000; ++i) text += QByteArray::number(i * 31 % 997) + ' ';
  RawEntry stored = FileEntry("SUB/S.TXT", "stored data");
  stored.method = 0;
  const QByteArray good = BuildZip({FileEntry("A.TXT", text), stored, FileEntry("B/", "")});
  quint32 lcg = 12345;
  auto next = [&] { return lcg = lcg * 1103515245u + 12345u; };
  Write(good);
  QSet<QString> before = Tree();
  for (int round = 0; round < 200; ++round) {
    QByteArray bad = good;
    for (int flips = 1 + next() % 4; flips > 0; --flips)
      bad[int(next() % quint32(bad.size()))] = char(next() >> 16);
    Write(bad);
    try {
      TZipReader r(archive);
      r.UnpackAll(dest);
    } catch (const win::Error& e) {
      EXPECT_TRUE(e.message().contains(archive)) << e.what();
    }
    for (const QString& p : Tree() - before) {
      EXPECT_TRUE(p == "/drive_c/WinZorv" || p.startsWith("/drive_c/WinZorv/DEST")) << p.toStdString();
      EXPECT_FALSE(p.endsWith(".tmp")) << p.toStdString();
    }
  }
}

TEST_F(ZipReaderTest, AFullDiskIsAnErrorNamingTheFileAndLeavesNoPartialFile) {
  QByteArray data(3 * 1024 * 1024, 'q');
  Write(BuildZip({FileEntry("BIG.DAT", data)}));
  TZipReader r(archive);
  // A file-size limit makes the write fail as a full disk would.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limit = old;
  limit.rlim_cur = 1024 * 1024;
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  QString message;
  try {
    r.UnpackAll(dest);
  } catch (const win::Error& e) {
    message = e.message();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(message.contains("C:\\WinZorv\\DEST\\BIG.DAT")) << message.toStdString();
  EXPECT_TRUE(QDir(HostDest()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ZipReaderTest, UnzipAllReadsArchivesOfTheTestPacker) {
  QDir().mkpath(machine.folder() + "/drive_c/arch");
  ASSERT_TRUE(MakeZip(machine.folder() + "/drive_c/arch/T.ZIP",
                      {{"dir/", {}}, {"dir/x.txt", "x"}, {"y.txt", "yy"}}));
  UnzipAll(archive, dest);
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/dir/x.txt"), "x");
  EXPECT_EQ(machine.ReadHostFile(HostDest() + "/y.txt"), "yy");
}

}  // namespace
