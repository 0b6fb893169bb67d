// Windows paths on the host: resolution without regard to case, normalisation, drives and shares.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "QtPrinters.h"
#include "common/TestMachine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

using namespace win;

namespace {

// Replaces machine.ini by the given text, for layouts TestMachine does not build.
void RewriteMachineIni(const TestMachine& machine, const QByteArray& ini) {
  machine.WriteHostFile(machine.folder() + "/machine.ini", ini);
  Machine::Reload();
  SetCurrentDir("C:\\");
}

QStringList HostEntries(const QString& hostDir) {
  return QDir(hostDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

class PathsTest : public MachineTest {
 protected:
  QString c = machine.Host("C:\\");
};

TEST_F(PathsTest, ResolvesWithoutRegardToCase) {
  machine.WriteHostFile(c + "/WinZorv/ZORVAN.EXE", "x");
  machine.WriteHostFile(c + "/exe.ZIP", "zip");
  EXPECT_TRUE(FileExists("C:\\winzorv\\Zorvan.exe"));
  EXPECT_EQ(ToHostPath("c:\\WINZORV\\zorvan.exe"), c + "/WinZorv/ZORVAN.EXE");

  WinFile f("C:\\EXE.ZIP", WinFile::Read);
  char buf[8] = {};
  EXPECT_EQ(f.read(buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "zip");
}

TEST_F(PathsTest, MissingComponentsKeepTheCaseGiven) {
  QDir(c).mkdir("data");
  ASSERT_TRUE(ForceDirectories("C:\\WinZorv"));
  WriteTextFile("C:\\WinZorv\\New.txt", "n");
  WriteTextFile("C:\\DATA\\Sub.Txt", "s");
  EXPECT_EQ(HostEntries(c), (QStringList{"WinZorv", "data", "windows"}));
  EXPECT_EQ(HostEntries(c + "/WinZorv"), QStringList{"New.txt"});
  EXPECT_EQ(HostEntries(c + "/data"), QStringList{"Sub.Txt"});
  // Below a missing folder every component keeps its case, even where a later one would match.
  EXPECT_EQ(ToHostPath("C:\\Missing\\WINDOWS"), c + "/Missing/WINDOWS");
}

TEST_F(PathsTest, ExactMatchWinsOverOtherCases) {
  for (const char* name : {"data", "Data", "DATA"}) machine.WriteHostFile(c + "/" + name, name);
  EXPECT_EQ(ToHostPath("C:\\Data"), c + "/Data");
  EXPECT_EQ(ToHostPath("C:\\data"), c + "/data");
  // No exact match: the first in name order.
  EXPECT_EQ(ToHostPath("C:\\dATA"), c + "/DATA");
}

TEST_F(PathsTest, ExpandsAndNormalises) {
  machine.AddShare("\\\\srv\\share");
  QDir(c).mkpath("WinZorv/sub");
  ASSERT_TRUE(SetCurrentDir("c:\\WinZorv"));
  struct Case {
    const char* path;
    const char* expanded;
  } cases[] = {
      {"C:/WinZorv/./a/../b", "C:\\WinZorv\\b"},
      {"c:\\..\\..", "C:\\"},
      {"C:\\WinZorv\\", "C:\\WinZorv\\"},
      {"sub\\x.txt", "C:\\WinZorv\\sub\\x.txt"},
      {"..\\x.txt", "C:\\x.txt"},
      {".", "C:\\WinZorv"},
      {"\\x.txt", "C:\\x.txt"},
      {"C:x.txt", "C:\\WinZorv\\x.txt"},
      {"d:x.txt", "D:\\x.txt"},
      {"\\\\srv\\share\\a\\..\\b", "\\\\srv\\share\\b"},
      {"//srv/share/..", "\\\\srv\\share\\"},
  };
  for (const Case& k : cases) EXPECT_EQ(ExpandFileName(k.path), k.expanded) << k.path;

  EXPECT_EQ(ToHostPath("sub/../SUB\\.\\x.txt"), c + "/WinZorv/sub/x.txt");
  EXPECT_EQ(ToHostPath("\\winzorv"), c + "/WinZorv");
}

TEST_F(PathsTest, CurrentFolderIsMirroredToTheHost) {
  QDir(c).mkpath("WinZorv");
  ASSERT_TRUE(SetCurrentDir("C:\\WINZORV\\"));
  EXPECT_EQ(GetCurrentDir(), "C:\\WINZORV");
  EXPECT_EQ(QDir::currentPath(), c + "/WinZorv");
  EXPECT_FALSE(SetCurrentDir("C:\\Missing"));
  EXPECT_FALSE(SetCurrentDir("Q:\\"));
  EXPECT_EQ(GetCurrentDir(), "C:\\WINZORV");

  QString share = machine.AddShare("\\\\srv\\share");
  ASSERT_TRUE(SetCurrentDir("\\\\srv\\share"));
  EXPECT_EQ(ExpandFileName("\\x.txt"), "\\\\srv\\share\\x.txt");
  EXPECT_EQ(ToHostPath("x.txt"), share + "/x.txt");
}

TEST_F(PathsTest, UnmappedDrivesFail) {
  EXPECT_EQ(TryToHostPath("Q:\\WinZorv"), "");
  EXPECT_FALSE(FileExists("Q:\\WinZorv\\ZORVAN.EXE"));
  EXPECT_FALSE(DirectoryExists("Q:\\"));
  EXPECT_FALSE(DirectoryExists("\\\\nosrv\\share"));
  EXPECT_FALSE(CreateDir("Q:\\WinZorv"));
  try {
    ToHostPath("Q:\\WinZorv");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(e.message().contains("Q:\\WinZorv"));
  }
}

TEST_F(PathsTest, SharesResolve) {
  QString share = machine.AddShare("\\\\srv\\share");
  QDir(share).mkpath("WinZorv/DATA");
  EXPECT_TRUE(DirectoryExists("\\\\srv\\share\\WinZorv\\DATA"));
  EXPECT_TRUE(DirectoryExists("\\\\SRV\\Share\\winzorv\\data\\"));
  EXPECT_TRUE(DirectoryExists("//srv/share/WinZorv/DATA"));
  EXPECT_EQ(ToHostPath("\\\\srv\\share\\winzorv\\data\\New.db"), share + "/WinZorv/DATA/New.db");
  EXPECT_EQ(TryToHostPath("\\\\srv\\other\\WinZorv"), "");
}

TEST_F(PathsTest, WindowsNameOfAHostPathTakesTheLongestDrive) {
  QString f = machine.folder();
  QDir(f).mkpath("drive_c/WinZorv/DATA");
  QDir(f).mkpath("data");
  RewriteMachineIni(machine,
                    "[Drives]\nZ=fixed,/\nC=fixed,drive_c\nD=fixed,drive_c/WinZorv/DATA\n"
                    "E=fixed," +
                        QFile::encodeName(f) + "/data/link\n");
  EXPECT_EQ(ToWindowsPath(f + "/drive_c/WinZorv/x.txt"), "C:\\WinZorv\\x.txt");
  EXPECT_EQ(ToWindowsPath(f + "/drive_c/WinZorv/DATA/y/z.db"), "D:\\y\\z.db");
  EXPECT_EQ(ToWindowsPath(f + "/drive_c"), "C:\\");
  EXPECT_EQ(ToWindowsPath(f + "/drive_cc"), "Z:" + QString(f + "/drive_cc").replace('/', '\\'));
  EXPECT_EQ(ToWindowsPath("/"), "Z:\\");
  EXPECT_EQ(ToHostPath("Z:" + QString(f).replace('/', '\\') + "\\DRIVE_C\\winzorv"),
            f + "/drive_c/WinZorv");

  // Through a link into C:, and to a drive whose root is a link.
  ASSERT_TRUE(QFile::link(f + "/drive_c/WinZorv", f + "/elsewhere"));
  ASSERT_TRUE(QFile::link(f + "/drive_c/windows", f + "/data/link"));
  EXPECT_EQ(ToWindowsPath(f + "/elsewhere/x.txt"), "C:\\WinZorv\\x.txt");
  EXPECT_EQ(ToWindowsPath(f + "/elsewhere/new/deeper.txt"), "C:\\WinZorv\\new\\deeper.txt");
  EXPECT_EQ(ToWindowsPath(f + "/data/link/WIN.INI"), "E:\\WIN.INI");
}

TEST_F(PathsTest, HostPathsOutsideEveryDriveHaveNoWindowsName) {
  EXPECT_EQ(ToWindowsPath(machine.folder() + "/registry"), "");
  EXPECT_EQ(ToWindowsPath(c + "/windows"), "C:\\windows");
}

TEST_F(PathsTest, DriveTypes) {
  machine.AddDrive('A', "removable");
  machine.AddDrive('D', "cdrom");
  machine.AddDrive('R', "ramdisk");
  machine.AddDrive('N', "remote");
  machine.AddShare("\\\\srv\\share");
  struct Case {
    const char* root;
    unsigned type;
  } cases[] = {
      {"A:\\", DRIVE_REMOVABLE},
      {"C:\\", DRIVE_FIXED},
      {"c:", DRIVE_FIXED},
      {"c:/", DRIVE_FIXED},
      {"D:\\", DRIVE_CDROM},
      {"R:\\", DRIVE_RAMDISK},
      {"N:\\", DRIVE_REMOTE},
      {"Q:\\", DRIVE_NO_ROOT_DIR},
      {"C:\\windows", DRIVE_NO_ROOT_DIR},
      {"\\\\srv\\share\\", DRIVE_REMOTE},
      {"\\\\SRV\\SHARE", DRIVE_REMOTE},
      {"\\\\srv\\other\\", DRIVE_NO_ROOT_DIR},
      {"\\\\srv\\share\\WinZorv", DRIVE_NO_ROOT_DIR},
  };
  for (const Case& k : cases) EXPECT_EQ(GetDriveType(k.root), k.type) << k.root;
}
