// The emulated machine: defaults on first use, machine.ini, the environment.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "common/TestMachine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Paths.h"

using namespace win;

// The fixture's machine restores ZAREDERAD_MACHINE afterwards, so tests may point it elsewhere.
class MachineSetup : public MachineTest {};

TEST_F(MachineSetup, NewMachineGetsDefaults) {
  QTemporaryDir dir;
  QString folder = dir.path() + "/new machine";
  qputenv("ZAREDERAD_MACHINE", folder.toUtf8());
  Machine::Reload();

  const Machine& m = Machine::Current();
  EXPECT_EQ(m.folder(), folder);
  ASSERT_EQ(m.drives().size(), 2);
  ASSERT_NE(m.drive('c'), nullptr);
  EXPECT_EQ(m.drive('C')->type, DRIVE_FIXED);
  EXPECT_EQ(m.drive('C')->hostRoot, folder + "/drive_c");
  ASSERT_NE(m.drive('Z'), nullptr);
  EXPECT_EQ(m.drive('Z')->hostRoot, "/");
  EXPECT_EQ(GetEnvironmentVariable("TEMP"), "C:\\windows\\temp");
  EXPECT_EQ(GetWindowsDirectory(), "C:\\windows");
  EXPECT_TRUE(FileExists("C:\\windows\\WIN.INI"));
  EXPECT_TRUE(DirectoryExists("C:\\windows\\temp"));
  EXPECT_TRUE(DirectoryExists("C:\\Program Files"));
  EXPECT_EQ(GetDriveType("Z:\\"), DRIVE_FIXED);
  EXPECT_EQ(ToWindowsPath(folder + "/drive_c/windows"), "C:\\windows");
}

TEST_F(MachineSetup, ExistingMachineIniIsKept) {
  machine.WriteHostFile(machine.folder() + "/machine.ini", "[Drives]\r\nD=cdrom,media\r\n");
  Machine::Reload();
  const Machine& m = Machine::Current();
  EXPECT_EQ(m.drives().size(), 1);
  EXPECT_EQ(GetDriveType("D:\\"), DRIVE_CDROM);
  EXPECT_EQ(GetDriveType("C:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetWindowsDirectory(), "C:\\windows");
}

TEST_F(MachineSetup, EnvironmentIgnoresCase) {
  machine.SetEnv("ZorvData", "D:\\DATA");
  EXPECT_EQ(GetEnvironmentVariable("ZORVDATA"), "D:\\DATA");
  EXPECT_EQ(GetEnvironmentVariable("zorvdata"), "D:\\DATA");
  EXPECT_TRUE(Machine::Current().hasEnvironment("zorvDATA"));
  EXPECT_EQ(GetEnvironmentVariable("windir"), "C:\\windows");
  EXPECT_EQ(GetEnvironmentVariable("NOTSET"), "");
  EXPECT_FALSE(Machine::Current().hasEnvironment("NOTSET"));

  machine.SetEnv("WINDIR", "c:\\WINNT\\");
  EXPECT_EQ(GetWindowsDirectory(), "c:\\WINNT");
  machine.UnsetEnv("WINDIR");
  EXPECT_EQ(GetWindowsDirectory(), "C:\\windows");
}

TEST_F(MachineSetup, MachineIniSyntax) {
  auto ini = ParseMachineIni(
      "; machine\r\n"
      "[drives]\r\n"
      "  c = fixed, drive_c   ; the system drive\r\n"
      "D=cdrom,/media/cd;rom\r\n"
      "not a key\r\n"
      "[ Environment ]\r\n"
      "Path=C:\\windows;C:\\WinZorv\r\n"
      "Empty=\r\n");
  ASSERT_EQ(ini.size(), 2);
  EXPECT_EQ(ini["DRIVES"], (IniSection{{"C", "fixed, drive_c"}, {"D", "cdrom,/media/cd;rom"}}));
  EXPECT_EQ(ini["ENVIRONMENT"], (IniSection{{"PATH", "C:\\windows;C:\\WinZorv"}, {"EMPTY", ""}}));
}

TEST_F(MachineSetup, DrivesOfMachineIni) {
  machine.WriteHostFile(machine.folder() + "/machine.ini",
                        "[Drives]\n"
                        "c=fixed,drive_c\n"
                        "D=floppy,drive_d\n"          // unknown type: no drive
                        "E=cdrom\n"                   // no folder: no drive
                        "C=removable,drive_c/x/..\n"  // a later line wins
                        "[Network]\n"
                        "\\\\srv\\share\\=shares/srv\n");
  Machine::Reload();
  const Machine& m = Machine::Current();
  ASSERT_EQ(m.drives().size(), 1);
  EXPECT_EQ(m.drive('C')->type, DRIVE_REMOVABLE);
  EXPECT_EQ(m.drive('C')->hostRoot, machine.folder() + "/drive_c");
  ASSERT_EQ(m.shares().size(), 1);
  EXPECT_EQ(m.shares()[0].unc, "\\\\SRV\\SHARE");
  EXPECT_EQ(m.shares()[0].hostRoot, machine.folder() + "/shares/srv");
}
