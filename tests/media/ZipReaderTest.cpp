// The ZIP reader: listing, unpacking by the rules of the installer, and refusing damaged or
// hostile archives without writing outside the destination or leaving partial files behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include "RawZip.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "media/Inflate.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/WinError.h"

namespace {

// Files of the destination, hidden ones included.
QStringList FilesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

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
    QDirIterator it(machine.folder(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
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

TEST_F(ZipReaderTest, MessagesAreRomanianAndNameTheArchive) {
  struct Case {
    const char* what;
    QByteArray content;  // empty: no file at all
    QString expected;
  };
  QByteArray zip = BuildZip({FileEntry("a.txt", "abc")});
  const Case cases[] = {
      {"missing", {}, "Arhiva C:\\arch\\T.ZIP nu exista."},
      {"not a zip", "just some text, certainly no archive",
       "Fisierul C:\\arch\\T.ZIP nu este o arhiva ZIP."},
      {"directory and header disagree", QByteArray(zip).replace(zip.lastIndexOf("a.txt"), 1, "b"),
       "Arhiva C:\\arch\\T.ZIP este deteriorata si nu poate fi citita."},
      {"entry refused for its path", BuildZip({FileEntry("../../AUTOEXEC.BAT", "x")}),
       "Arhiva C:\\arch\\T.ZIP nu poate fi dezarhivata: intrarea \"../../AUTOEXEC.BAT\" ar "
       "ajunge in afara directorului destinatie."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(machine.folder() + "/drive_c/arch/T.ZIP");
    if (!c.content.isEmpty()) Write(c.content);
    try {
      TZipReader r(archive);
      r.UnpackAll(dest);
      ADD_FAILURE() << "unpacked";
    } catch (const win::Error& e) {
      EXPECT_EQ(e.message().toStdString(), c.expected.toStdString());
    }
  }
  try {
    TZipReader r("Q:\\nowhere.zip");
    ADD_FAILURE() << "opened";
  } catch (const win::Error& e) {
    EXPECT_EQ(e.message().toStdString(),
              "Arhiva Q:\\nowhere.zip nu poate fi deschisa: nici o unitate a acestui "
              "calculator nu o contine.");
  }
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
  Write(BuildZip(
      {FileEntry("A.TXT", "a"), FileEntry("NEW/DATA/B.DB", "b"), FileEntry("C.TXT", "c")}));
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
      {"parent", {FileEntry("../evil", "x")}, "../evil", "afara"},
      {"parent in the middle", {FileEntry("a/../../evil", "x")}, "a/../../evil", "afara"},
      {"absolute", {FileEntry("/etc/x", "x")}, "/etc/x", "absoluta"},
      {"drive letter", {FileEntry("C:\\x", "x")}, "C:\\x", "unitate"},
      {"drive relative", {FileEntry("C:x", "x")}, "C:x", "unitate"},
      {"backslashes", {FileEntry("..\\..\\evil", "x")}, "..\\..\\evil", "afara"},
      {"backslash in the middle", {dosAttrDir}, "SUB\\..\\..\\evil", "afara"},
      {"dots and blanks", {FileEntry(".. /evil", "x")}, ".. /evil", "afara"},
      {"root only", {FileEntry("/", "")}, "/", "absoluta"},
      {"link outside", {LinkEntry("link", "../../..")}, "link", "legatura simbolica"},
      {"file through a link",
       {FileEntry("ok.txt", "fine"), LinkEntry("up", "../.."), FileEntry("up/evil", "x")},
       "up",
       "legatura simbolica"},
      {"crc", {FileEntry("first.txt", "ok"), crc}, "CRC.TXT", "CRC"},
      {"declares less", {lieBig}, "LIE.TXT", "marimea declarata"},
      {"declares more", {lieSmall}, "SHORT.TXT", "marimea declarata"},
      {"truncated stream", {cut}, "CUT.TXT", "C:\\arch\\T.ZIP"},
      {"encrypted", {encrypted}, "SECRET.TXT", "criptata"},
      {"unsupported method", {bzip}, "BZ.TXT", "metoda 12"},
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

// The data are read through a window of the archive: entries smaller and larger than it, across
// its edges, stored and deflated, listed in the order of their data and backwards.
TEST_F(ZipReaderTest, EntriesAroundTheReadWindowUnpackInEitherDirectoryOrder) {
  const int window = 256 * 1024;
  const QList<int> sizes = {0,  1,          window - 1, window, window + 1, 30,
                            77, 2 * window, 100,        5,      700000,     4096};
  QList<RawEntry> entries;
  quint32 lcg = 99;
  for (int i = 0; i < sizes.size(); ++i) {
    QByteArray data(sizes[i], '\0');
    for (char& c : data) c = char((lcg = lcg * 1664525u + 1013904223u) >> (i % 3 ? 24 : 30));
    RawEntry e = FileEntry(QString("D%1/F%2.BIN").arg(i % 3).arg(i).toUtf8(), data);
    e.method = quint16(i % 2 ? 0 : 8);
    entries << e;
  }
  for (bool reversed : {false, true}) {
    for (bool unnamed : {true, false}) {
      SCOPED_TRACE(
          QString("%1, %2")
              .arg(reversed ? "backwards" : "in order", unnamed ? "unnamed" : "temporary names")
              .toStdString());
      QDir(HostDest()).removeRecursively();
      Write(BuildZip(entries, reversed));
      TZipReader r(archive);
      r.UnnamedFiles = unnamed;
      r.UnpackAll(dest);
      for (const RawEntry& e : entries)
        EXPECT_EQ(machine.ReadHostFile(HostDest() + "/" + QString::fromUtf8(e.name)), e.data)
            << e.name.constData();
    }
  }
}

// Files are written ahead of the one being named: whatever stops the unpacking, every entry
// before it has its name and nothing after it appears, not even under a temporary name.
TEST_F(ZipReaderTest, NothingAfterTheEntryThatStopsTheUnpackingAppears) {
  QList<RawEntry> entries;
  QStringList before;
  for (int i = 0; i < 300; ++i) {
    const QString name = QString("%1.TXT").arg(i, 3, 10, QChar('0'));
    entries << FileEntry("F/" + name.toUtf8(), QByteArray::number(i).repeated(40));
    if (i < 150) before << name;
  }
  QList<RawEntry> damaged = entries;
  damaged[150].crc = 1;
  const QByteArray good = BuildZip(entries), bad = BuildZip(damaged);
  for (bool unnamed : {true, false}) {
    for (bool abandon : {false, true}) {
      SCOPED_TRACE(
          QString("%1, %2")
              .arg(unnamed ? "unnamed" : "temporary names", abandon ? "abandoned" : "damaged entry")
              .toStdString());
      QDir(HostDest()).removeRecursively();
      Write(abandon ? good : bad);
      TZipReader r(archive);
      r.UnnamedFiles = unnamed;
      // The user abandons while the gauge shows the 150th file.
      r.OnProgress = [&](quint64, const TZipHeader& h) {
        if (abandon && h.FileName == "F/149.TXT") throw std::runtime_error("abandoned");
      };
      QString why;
      try {
        r.UnpackAll(dest);
      } catch (const std::exception& e) {
        why = QString::fromStdString(e.what());
      }
      EXPECT_TRUE(why.contains(abandon ? "abandoned" : "F/150.TXT")) << why.toStdString();
      EXPECT_EQ(FilesIn(HostDest() + "/F"), before);
      EXPECT_EQ(machine.ReadHostFile(HostDest() + "/F/149.TXT"), QByteArray("149").repeated(40));
    }
  }
}

// An entry whose name an earlier one also had (in any case) waits until that one has it, then
// replaces it as the platform would, or is refused when it is read-only.
TEST_F(ZipReaderTest, AnEntryNamedAsAnEarlierOneReplacesItUnlessReadOnly) {
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only first" : "writable first");
    QDir(HostDest()).removeRecursively();
    RawEntry first = FileEntry("DUP.TXT", "first");
    if (readOnly) first.external = 0x21;
    Write(BuildZip({first, FileEntry("dup.txt", "second"), FileEntry("OTHER.TXT", "x")}));
    TZipReader r(archive);
    bool refused = false;
    try {
      r.UnpackAll(dest);
    } catch (const win::Error& e) {
      refused = e.message().contains("protejat la scriere");
    }
    EXPECT_EQ(refused, readOnly);
    EXPECT_EQ(FilesIn(HostDest()),
              readOnly ? QStringList{"DUP.TXT"} : QStringList({"DUP.TXT", "OTHER.TXT"}));
    EXPECT_EQ(machine.ReadHostFile(HostDest() + "/DUP.TXT"), readOnly ? "first" : "second");
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
      EXPECT_TRUE(p == "/drive_c/WinZorv" || p.startsWith("/drive_c/WinZorv/DEST"))
          << p.toStdString();
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

TEST_F(ZipReaderTest, AFolderLinkInTheDestinationIsNeverFollowed) {
  const QString outside = machine.folder() + "/outside";
  struct Case {
    const char* what;
    QByteArray entry;
    QString link;  // the link's folder below the destination, as the message names it
  };
  const Case cases[] = {
      {"file below the link, another case", "sub/EVIL.TXT", "C:\\WinZorv\\DEST\\SUB"},
      {"folder entry below the link", "SUB/NEW/", "C:\\WinZorv\\DEST\\SUB"},
      {"link deeper down", "REAL/LINKED/X.TXT", "C:\\WinZorv\\DEST\\REAL\\LINKED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(HostDest()).removeRecursively();
    QDir(outside).removeRecursively();
    QDir().mkpath(outside);
    QDir().mkpath(HostDest() + "/REAL");
    ASSERT_TRUE(QFile::link(outside, HostDest() + "/SUB"));
    ASSERT_TRUE(QFile::link(outside, HostDest() + "/REAL/LINKED"));
    RawEntry e = FileEntry(c.entry, "through the link");
    if (c.entry.endsWith('/')) {
      e.data.clear();
      e.method = 0;
      e.external = 0x10;
    }
    Write(BuildZip({FileEntry("A.TXT", "a"), e}));
    try {
      UnzipAll(archive, dest);
      ADD_FAILURE() << "unpacked";
    } catch (const win::Error& e) {
      EXPECT_TRUE(e.message().startsWith("Arhiva " + archive)) << e.what();
      EXPECT_TRUE(e.message().contains("\"" + QString(c.entry) + "\"")) << e.what();
      EXPECT_TRUE(e.message().contains("legatura simbolica aflata in destinatie (" + c.link + ")"))
          << e.what();
    }
    EXPECT_TRUE(QDir(outside).isEmpty()) << "nothing written through the link";
    EXPECT_TRUE(QFileInfo(HostDest() + "/SUB").isSymLink());
  }
}

TEST_F(ZipReaderTest, OverlappingEntriesAreRefusedOnOpening) {
  Write(BuildOverlappingZip("OUTER.BIN", "INNER.TXT", QByteArray(1000, 'i')));
  try {
    TZipReader r(archive);
    ADD_FAILURE() << "opened";
  } catch (const win::Error& e) {
    EXPECT_EQ(e.message().toStdString(),
              "Arhiva C:\\arch\\T.ZIP este deteriorata sau facuta cu rea intentie: "
              "intrarile \"OUTER.BIN\" si \"INNER.TXT\" folosesc aceleasi date.");
  }
  EXPECT_FALSE(QFileInfo::exists(HostDest()));
}

TEST_F(ZipReaderTest, AnArchiveLargerThanTheFreeSpaceIsRefusedBeforeWriting) {
  // A small disk: 2 MB free, whatever the host has.
  struct Query {
    Query() {
      TZipReader::FreeSpaceQuery = [](const QString& folder) {
        EXPECT_EQ(folder, "C:\\WinZorv\\DEST");
        return quint64(2 * 1024 * 1024);
      };
    }
    ~Query() { TZipReader::FreeSpaceQuery = nullptr; }
  } query;
  Write(BuildZip({FileEntry("A.TXT", QByteArray(1024 * 1024, 'a')),
                  FileEntry("SUB/B.TXT", QByteArray(2 * 1024 * 1024 + 512 * 1024, 'b'))}));
  try {
    UnzipAll(archive, dest);
    ADD_FAILURE() << "unpacked";
  } catch (const win::Error& e) {
    EXPECT_EQ(e.message().toStdString(),
              "Arhiva C:\\arch\\T.ZIP nu incape in directorul C:\\WinZorv\\DEST: are "
              "nevoie de 3.5 MB, iar pe disc sunt libere doar 2.0 MB.");
    EXPECT_EQ(e.code(), win::ERROR_DISK_FULL);
  }
  EXPECT_TRUE(QDir(HostDest()).isEmpty()) << "nothing written";

  Write(BuildZip({FileEntry("A.TXT", QByteArray(2 * 1024 * 1024, 'a'))}));
  UnzipAll(archive, dest);  // exactly the free space fits
  EXPECT_EQ(QFileInfo(HostDest() + "/A.TXT").size(), 2 * 1024 * 1024);
}

TEST_F(ZipReaderTest, AKilledUnpackLeavesNoTemporaryFileBehind) {
  QByteArray data(4 * 1024 * 1024, 'k');
  for (int i = 0; i < data.size(); i += 4096) data[i] = char(i / 4096);
  Write(BuildZip({FileEntry("SMALL.TXT", "small"), FileEntry("BIG.DAT", data)}));
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed files" : "temporary names");
    QDir(HostDest()).removeRecursively();
    // The child dies in the middle of writing BIG.DAT: past 1 MB the file-size limit kills it.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct rlimit limit = {1024 * 1024, 1024 * 1024}, none = {0, 0};
      setrlimit(RLIMIT_CORE, &none);
      signal(SIGXFSZ, SIG_DFL);
      setrlimit(RLIMIT_FSIZE, &limit);
      try {
        TZipReader r(archive);
        r.UnnamedFiles = unnamed;
        r.UnpackAll(dest);
      } catch (...) {
        _exit(3);
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    // SMALL.TXT is complete, but it may still have been waiting for its name when the writer,
    // already at BIG.DAT, was killed.
    QStringList left = FilesIn(HostDest());
    if (left.removeAll("SMALL.TXT")) {
      EXPECT_EQ(machine.ReadHostFile(HostDest() + "/SMALL.TXT"), "small");
    }
    if (unnamed) {
      EXPECT_EQ(left, QStringList());  // the unnamed files went with their process
    } else {
      ASSERT_FALSE(left.isEmpty());
      for (const QString& f : left)
        EXPECT_TRUE(f.startsWith(".zarederad-") && f.endsWith(".tmp")) << f.toStdString();
    }
    // The next run removes what the dead one left and unpacks everything.
    UnzipAll(archive, dest);
    EXPECT_EQ(FilesIn(HostDest()), QStringList({"BIG.DAT", "SMALL.TXT"}));
    EXPECT_EQ(machine.ReadHostFile(HostDest() + "/BIG.DAT"), data);
  }
}

TEST_F(ZipReaderTest, IsaLAndZlibInflateToTheSameBytes) {
  if (!IsaLAvailable()) GTEST_SKIP() << "this build inflates with zlib only";
  QByteArray text, mixed;
  for (int i = 0; i < 20000; ++i) text += QByteArray::number(i * 7919 % 10007) + " cont 4111;";
  quint32 lcg = 1;
  for (int block = 0; block < 6 * 16; ++block) {  // 6 MB: compressible and random 64 KB blocks
    for (int i = 0; i < 65536; ++i) {
      lcg = lcg * 1664525u + 1013904223u;
      mixed += block % 3 == 0 ? char(lcg >> 24) : text[i % text.size()];
    }
  }
  RawEntry stored = FileEntry("STORED.BIN", mixed.left(300000));
  stored.method = 0;
  struct Case {
    const char* what;
    RawEntry entry;
  };
  const Case cases[] = {
      {"stored", stored},
      {"deflated", FileEntry("TEXT.TXT", text)},
      {"empty", FileEntry("EMPTY.TXT", "")},
      {"multi-megabyte", FileEntry("BIG/MIXED.DAT", mixed)},
  };
  QList<RawEntry> entries;
  for (const Case& c : cases) entries << c.entry;
  Write(BuildZip(entries));
  for (TInflater engine : {TInflater::IsaL, TInflater::Zlib}) {
    TZipReader r(archive);
    r.Inflater = engine;
    r.UnpackAll(dest + (engine == TInflater::IsaL ? "\\ISAL" : "\\ZLIB"));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString name = QString::fromUtf8(c.entry.name);
    const QByteArray isal = machine.ReadHostFile(HostDest() + "/ISAL/" + name);
    EXPECT_EQ(isal, c.entry.data);
    EXPECT_EQ(isal, machine.ReadHostFile(HostDest() + "/ZLIB/" + name));
    // The two inflaters on the raw stream: same bytes, same CRC, both finished.
    QByteArray a, b;
    const QByteArray packed = Deflate(c.entry.data);
    TInflateOutcome oa = InflateBytes(TInflater::IsaL, packed, &a);
    TInflateOutcome ob = InflateBytes(TInflater::Zlib, packed, &b);
    EXPECT_EQ(oa.result, TInflateResult::Done);
    EXPECT_EQ(ob.result, TInflateResult::Done);
    EXPECT_EQ(a, b);
    EXPECT_EQ(oa.crc, ob.crc);
    EXPECT_EQ(oa.crc, quint32(crc32(0, reinterpret_cast<const Bytef*>(c.entry.data.constData()),
                                    uInt(c.entry.data.size()))));
    // Cut short, both say so.
    if (packed.size() > 4) {
      EXPECT_EQ(InflateBytes(TInflater::IsaL, packed.left(packed.size() / 2), nullptr).result,
                TInflateResult::Truncated);
      EXPECT_EQ(InflateBytes(TInflater::Zlib, packed.left(packed.size() / 2), nullptr).result,
                TInflateResult::Truncated);
    }
  }
}

}  // namespace
