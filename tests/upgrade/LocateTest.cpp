// The search for an installed application, without widgets: WIN.INI's hints, the drive scan and
// where the alias's data live, on small test machines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <memory>

#include "common/TestMachine.h"
#include "platform/Paths.h"
#include "upgrade/FindApp.h"

namespace {

class LocateTest : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }
  // A new machine: C: with the Windows folder, nothing else.
  void Fresh() {
    owned_.reset();
    owned_ = std::make_unique<TestMachine>();
  }
  TestMachine& machine() { return *owned_; }

  // A program file of the given size (sparse: nothing is written).
  void Program(const QString& winFile, qint64 size) {
    const QString host = machine().Host(winFile);
    QDir().mkpath(QFileInfo(host).absolutePath());
    QFile f(host);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << host.toStdString();
    ASSERT_TRUE(f.resize(size));
  }
  void Installation(const QString& winFolder) {
    Program(win::IncludeTrailingBackslash(winFolder) + "ZORVAN.EXE", 6000001);
  }
  void Folder(const QString& winFolder) { QDir().mkpath(machine().Host(winFolder)); }
  void Profile(const QByteArray& zorvanSection) {
    machine().WriteHostFile(machine().Host("C:\\windows\\WIN.INI"),
                            "[windows]\r\nload=\r\n[Zorvan]\r\n" + zorvanSection);
  }

  // Records what the status line showed; asks to stop from the `stopAt`th question on.
  struct Recorder {
    QStringList statuses;
    int stopAt = -1;
    int asked = 0;
    TSearchHooks Hooks() {
      TSearchHooks h;
      h.ShowStatus = [this](const QString& text) { statuses << text; };
      h.StopRequested = [this] { return ++asked >= stopAt && stopAt > 0; };
      return h;
    }
  };

 private:
  std::unique_ptr<TestMachine> owned_;
};

}  // namespace

TEST_F(LocateTest, DataPlaceFromTheAliasFolder) {
  machine().AddShare("\\\\srv\\share");
  machine().AddDrive('N', "remote");
  const struct {
    QString alias, dataDir, root;
    bool network;
  } cases[] = {
      {"C:\\WinZorv\\DATA\\", "C:\\WinZorv", "C:\\", false},
      {"\\\\srv\\share\\WinZorv\\DATA", "\\\\srv\\share\\WinZorv", "\\\\srv\\share\\", true},
      {"", "", "", false},
      {"C:\\WinZorv\\data", "C:\\WinZorv", "C:\\", false},
      {"C:\\WinZorv\\DATABASE\\", "C:\\WinZorv\\DATABASE", "C:\\", false},
      {"C:\\WinZorv\\DATA\\DATA\\", "C:\\WinZorv\\DATA", "C:\\", false},  // one of each only
      {"N:\\Firma\\DATA", "N:\\Firma", "N:\\", true},
      {"\\\\srv\\share", "\\\\srv\\share", "\\\\srv\\share", true},         // fewer than four "\"
      {"\\\\alt\\share\\DATA", "\\\\alt\\share", "\\\\alt\\share", false},  // not mapped here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias.toStdString());
    const TDataPlace place = DataPlaceOf(c.alias);
    EXPECT_EQ(place.DataDir, c.dataDir);
    EXPECT_EQ(place.Root, c.root);
    EXPECT_EQ(place.OnNetwork, c.network);
  }
}

TEST_F(LocateTest, ProgramFolderNeedsAProgramLargerThanSixMillionBytes) {
  const struct {
    const char* file;
    qint64 size;
    bool holds;
  } cases[] = {
      {"C:\\A\\ZORVAN.EXE", 6000000, false},
      {"C:\\B\\ZORVAN.EXE", 6000001, true},
      {"C:\\C\\zorvan.exe", 6000001, true},  // names without regard to case
      {"C:\\D\\ZORVAN.EXE", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Program(c.file, c.size);
    const QString folder = win::ExtractFilePath(c.file);
    EXPECT_EQ(IsProgramFolder(folder), c.holds);
    EXPECT_EQ(IsProgramFolder(win::ExcludeTrailingBackslash(folder)), c.holds);
  }
  Folder("C:\\E\\ZORVAN.EXE");  // a folder of that name is no program
  EXPECT_FALSE(IsProgramFolder("C:\\E"));
  EXPECT_FALSE(IsProgramFolder("C:\\Nimic"));
  // The scan weighs the file the same way: C:\A\ comes first and is passed over.
  EXPECT_EQ(FindProgramFolder({}), "C:\\B\\");
}

// A program file the user may not write (installed read-only, or on a read-only share) still
// marks an installation, for the check and for the scan.
TEST_F(LocateTest, ReadOnlyProgramIsFound) {
  Installation("C:\\Contab\\Zorvan");
  const QByteArray host = QFile::encodeName(machine().Host("C:\\Contab\\Zorvan\\ZORVAN.EXE"));
  ASSERT_EQ(::chmod(host.constData(), 0444), 0);
  EXPECT_TRUE(IsProgramFolder("C:\\Contab\\Zorvan\\"));
  EXPECT_EQ(FindProgramFolder({}), "C:\\Contab\\Zorvan\\");
}

TEST_F(LocateTest, SearchSources) {
  // 32 characters, ending in "\".
  const QString cut = "C:\\Aplicatii\\Contab\\ZorvanVechi\\";
  ASSERT_EQ(cut.size(), 32);
  const struct {
    const char* name;
    QByteArray profile;
    QStringList small;  // Zorvan.exe files of a few bytes
    QStringList installations;
    QString found;
  } cases[] = {
      {"AppPath with its Zorvan.exe, no size test",
       "AppPath=C:\\Vechi\\\r\n",
       {"C:\\Vechi\\Zorvan.exe"},
       {"C:\\Scan\\"},
       "C:\\Vechi\\"},
      {"AppPath is joined without a backslash",
       "AppPath=C:\\Vechi\r\n",
       {"C:\\VechiZorvan.exe"},
       {},
       "C:\\Vechi"},
      {"AppPath without Zorvan.exe goes on to the scan",
       "AppPath=C:\\Gol\\\r\n",
       {},
       {"C:\\Scan\\"},
       "C:\\Scan\\"},
      {"DatabasePath gives its folder",
       "DatabasePath=C:\\Firma\\DATA\r\n",
       {"C:\\Firma\\Zorvan.exe"},
       {"C:\\Scan\\"},
       "C:\\Firma\\"},
      {"DatabasePath at a drive's root",
       "DatabasePath=C:\\DATA\r\n",
       {"C:\\Zorvan.exe"},
       {},
       "C:\\"},
      {"AppPath comes before DatabasePath",
       "AppPath=C:\\Unu\\\r\nDatabasePath=C:\\Doi\\DATA\r\n",
       {"C:\\Unu\\Zorvan.exe", "C:\\Doi\\Zorvan.exe"},
       {},
       "C:\\Unu\\"},
      {"DatabasePath without Zorvan.exe goes on to the scan",
       "DatabasePath=C:\\Alt\\DATA\r\n",
       {},
       {"C:\\Scan\\"},
       "C:\\Scan\\"},
      {"a value longer than 32 characters is cut",
       "AppPath=" + cut.toLatin1() + "Nou\\\r\n",
       {cut + "Zorvan.exe", cut + "Nou\\Zorvan.exe"},
       {},
       cut},
      {"the usual folder before the rest of the drive",
       "",
       {},
       {"C:\\Alfa\\", "C:\\WinZorv\\"},
       "C:\\WinZorv\\"},
      {"subfolders in name order", "", {}, {"C:\\beta\\", "C:\\Alfa\\Zorv\\"}, "C:\\Alfa\\Zorv\\"},
      {"nothing anywhere", "AppPath=C:\\Gol\\\r\n", {}, {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Profile(c.profile);
    for (const QString& f : c.small) machine().WriteHostFile(machine().Host(f), "MZ");
    for (const QString& f : c.installations) Installation(f);
    EXPECT_EQ(FindProgramFolder({}), c.found);
  }
}

TEST_F(LocateTest, ScanLimits) {
  // A folder path of exactly 100 characters with its trailing "\" is searched; 101 is not.
  const QString at100 = "C:\\" + QString(96, 'a') + "\\";
  const QString at101 = "C:\\" + QString(97, 'b') + "\\";
  ASSERT_EQ(at100.size(), 100);
  ASSERT_EQ(at101.size(), 101);
  const QString deep = "C:\\Adanc\\" + QStringList(12, "Subfolder").join('\\') + "\\";
  const struct {
    const char* name;
    QStringList installations;
    QString windir;  // "" keeps C:\windows
    QString found;
  } cases[] = {
      {"a path of 100 characters", {at100}, "", at100},
      {"a path of 101 characters", {at101}, "", ""},
      {"deeper than 100 characters", {deep}, "", ""},
      {"in the Windows folder", {"C:\\windows\\"}, "", ""},
      {"under the Windows folder", {"C:\\windows\\system\\Zorv\\"}, "", ""},
      {"under a Windows folder named in other letters", {"C:\\windows\\Zorv\\"}, "C:\\WINDOWS", ""},
      {"next to the Windows folder", {"C:\\windows2\\"}, "", "C:\\windows2\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    if (!c.windir.isEmpty()) machine().SetEnv("WINDIR", c.windir);
    for (const QString& f : c.installations) Installation(f);
    EXPECT_EQ(FindProgramFolder({}), c.found);
  }
}

// Fixed drives from C to Z in order, each with its usual folder first; other kinds are not
// searched.
TEST_F(LocateTest, ScanOfTheDrives) {
  const struct {
    const char* name;
    QStringList drives;  // "letter type"
    QStringList installations;
    QString found;
  } cases[] = {
      {"the first drive wins",
       {"D fixed"},
       {"D:\\WinZorv\\", "C:\\Adanc\\Zorv\\"},
       "C:\\Adanc\\Zorv\\"},
      {"the usual folder of a later drive",
       {"D fixed", "E fixed"},
       {"E:\\WinZorv\\"},
       "E:\\WinZorv\\"},
      {"only fixed drives",
       {"D cdrom", "E remote", "F removable", "G fixed"},
       {"D:\\WinZorv\\", "E:\\Zorv\\", "F:\\Zorv\\", "G:\\Z\\Zorv\\"},
       "G:\\Z\\Zorv\\"},
      {"a drive's root", {"Z fixed"}, {"Z:\\"}, "Z:\\"},
      {"nothing on any drive", {"D fixed", "E cdrom"}, {"E:\\WinZorv\\"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    for (const QString& d : c.drives) machine().AddDrive(d[0], d.mid(2));
    for (const QString& f : c.installations) Installation(f);
    EXPECT_EQ(FindProgramFolder({}), c.found);
  }
}

// A folder link is never entered: a loop does not hang the scan, and an installation behind a
// link to another drive is not found through it.
TEST_F(LocateTest, FolderLinksAreNotEntered) {
  const QString cdrom = machine().AddDrive('D', "cdrom");
  Installation("D:\\Zorv\\");
  Folder("C:\\Bucla\\Sub");
  const QString host = machine().Host("C:\\Bucla");
  ASSERT_TRUE(QFile::link(host, host + "/Sub/Inapoi"));
  ASSERT_TRUE(QFile::link(cdrom + "/Zorv", host + "/Scurtatura"));
  Recorder r;
  TDriveScan scan(r.Hooks());
  EXPECT_EQ(scan.Run(), "");
  EXPECT_TRUE(r.statuses.contains("Caut in ..C:\\Bucla\\Sub\\"));
  EXPECT_FALSE(r.statuses.join('|').contains("Inapoi"));
  EXPECT_FALSE(r.statuses.join('|').contains("Scurtatura"));

  // Behind the loop the scan goes on.
  Installation("C:\\Zeta\\");
  EXPECT_EQ(FindProgramFolder({}), "C:\\Zeta\\");
}

// A folder the user may not read is skipped, and the scan goes on behind it.
TEST_F(LocateTest, UnreadableFolderIsSkipped) {
  Installation("C:\\Blocat\\Zorv\\");
  Installation("C:\\Deschis\\");
  // Root reads every folder: the scan runs as an ordinary user here.
  struct AsUser {
    bool switched = false;
    AsUser() {
      if (::geteuid() == 0) switched = ::seteuid(65534) == 0;
    }
    ~AsUser() {
      if (switched && ::seteuid(0) != 0) std::abort();
    }
  };
  ::chmod(QFile::encodeName(machine().Host("C:\\Blocat")).constData(), 0);
  for (QString d = machine().Host("C:\\"); d != "/" && !d.isEmpty();
       d = QFileInfo(d).absolutePath())
    ::chmod(QFile::encodeName(d).constData(), 0755);  // the way down to drive_c
  Recorder r;
  QString found;
  {
    AsUser user;
    if (::geteuid() == 0) GTEST_SKIP() << "cannot act as an ordinary user";
    TDriveScan scan(r.Hooks());
    found = scan.Run();
  }
  ::chmod(QFile::encodeName(machine().Host("C:\\Blocat")).constData(), 0755);
  EXPECT_EQ(found, "C:\\Deschis\\");
  EXPECT_FALSE(r.statuses.contains("Caut in ..C:\\Blocat\\"));
}

TEST_F(LocateTest, StatusLine) {
  const QString deep = "C:\\Contabilitate\\Firme\\Arhiva\\";
  Folder(deep + "An2020");
  Recorder r;
  TDriveScan scan(r.Hooks());
  EXPECT_EQ(scan.Run(), "");
  ASSERT_FALSE(r.statuses.isEmpty());
  EXPECT_EQ(r.statuses.first(), "Caut in ..C:\\");
  EXPECT_TRUE(r.statuses.contains("Caut in ..C:\\Contabilitate\\Firme\\Arhiva\\"));
  // The last 31 characters of a longer path.
  const QString tail = (deep + "An2020\\").right(31);
  ASSERT_EQ(tail.size(), 31);
  EXPECT_TRUE(r.statuses.contains("Caut in .." + tail));
  EXPECT_EQ(r.statuses.last(), "") << "cleared at the end";
  EXPECT_EQ(r.asked, r.statuses.size() - 1) << "one question per folder shown";
  EXPECT_FALSE(r.statuses.join('|').contains("windows"));
}

// A stop request ends the search with nothing found; the remaining fixed drives are visited at
// their root only, and even an installation in their usual folder is not taken.
TEST_F(LocateTest, StopRequest) {
  machine().AddDrive('D', "fixed");
  machine().AddDrive('E', "fixed");
  Folder("C:\\A\\B\\C");
  Folder("D:\\Mult\\Mai\\Adanc");
  Installation("E:\\WinZorv\\");
  Installation("C:\\Z\\");
  Recorder r;
  r.stopAt = 2;  // at C:\A\ (after C:\)
  TDriveScan scan(r.Hooks());
  EXPECT_EQ(scan.Run(), "");
  EXPECT_TRUE(scan.Stopped());
  EXPECT_EQ(r.statuses, QStringList({"Caut in ..C:\\", "Caut in ..C:\\A\\", "Caut in ..D:\\", ""}));

  // Asked but not stopped: the scan goes all the way.
  Recorder quiet;
  TDriveScan again(quiet.Hooks());
  EXPECT_EQ(again.Run(), "C:\\Z\\");
  EXPECT_FALSE(again.Stopped());
}
