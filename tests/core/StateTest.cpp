// The installer state's initial values, its tables and the configuration file.
#include <gtest/gtest.h>

#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "kit/GGlobals.h"
#include "platform/Paths.h"

namespace {

int RowOf(const char* key) {
  for (int i = 0; i < CompCount; ++i)
    if (Components[i].FileName == key) return i;
  return -1;
}

}  // namespace

TEST(InstallerState, ComponentSetsPerKind) {
  ASSERT_EQ(Components[0].FileName, "EXE");
  ASSERT_EQ(Components[4].CompName, "Borland Database Engine");
  EXPECT_EQ(Components[3].DestType, dtDatabaseNew);
  EXPECT_EQ(InstallSets[ikNone], 0);
  EXPECT_EQ(UpgradeSets[ikNone], 0);
  for (int kind = ikLocal; kind <= ikClient; ++kind) {
    EXPECT_FALSE(InSet(UpgradeSets[kind], RowOf("BDE32"))) << kind;
    EXPECT_TRUE(InSet(InstallSets[kind], RowOf("BDE32"))) << kind;
    EXPECT_TRUE(InSet(InstallSets[kind], RowOf("KANVERO"))) << kind;
  }
  for (const char* db : {"DBDAT", "DBNEW"}) {
    EXPECT_FALSE(InSet(InstallSets[ikClient], RowOf(db)));
    EXPECT_FALSE(InSet(UpgradeSets[ikClient], RowOf(db)));
    EXPECT_TRUE(InSet(InstallSets[ikServer], RowOf(db)));
    EXPECT_TRUE(InSet(UpgradeSets[ikLocal], RowOf(db)));
  }
  EXPECT_EQ(AliasNames[3], "ZORVAN");
  EXPECT_EQ(AliasDirs[0], "NEW\\DATA");
}

TEST(InstallerState, InitialValuesAndJoins) {
  ResetInstallerState();
  EXPECT_EQ(InstallKind, ikNone);
  EXPECT_EQ(CurrentPage, 0);
  EXPECT_EQ(DiskCount, 1);
  EXPECT_FALSE(UpgradeMode);
  EXPECT_TRUE(SourceDir.isEmpty());
  EXPECT_EQ(win::JoinPath(ProgramDir, "ZORVAN.EXE"), "C:\\WinZorv\\ZORVAN.EXE");
  EXPECT_EQ(win::JoinPath("C:\\WinZorv\\", "ZORVAN.EXE"), "C:\\WinZorv\\ZORVAN.EXE");
}

class ConfigurationTest : public MachineTest {
 protected:
  void SetUp() override {
    saved_ = RunFolder;
    RunFolder = "C:\\windows\\temp\\";
  }
  void TearDown() override { RunFolder = saved_; }
  QString saved_;
};

TEST_F(ConfigurationTest, DiskCountFromNrDiscuri) {
  ReadConfiguration();
  EXPECT_EQ(DiskCount, 6) << "no instzorv.cfg";

  const struct {
    const char* file;
    int expected;
  } cases[] = {
      {"[General]\r\nNrDiscuri=3\r\n", 3},
      {"[general]\r\nnrdiscuri = 3 \r\n", 3},
      {"[General]\r\nNrDiscuri=x3\r\n", 0},
      {"[General]\r\nNrDiscuri=\r\n", 0},
      {"[General]\r\nNrDiscuri=12 discuri\r\n", 12},
      {"[Other]\r\nNrDiscuri=3\r\n", 6},
      {"[General]\r\nDiscuri=3\r\n", 6},
  };
  // The bootstrap run copies INSTALL.CFG as INSTZORV.CFG; the name compares without case.
  const QString cfg = machine.Host("C:\\windows\\temp") + "/INSTZORV.CFG";
  for (const auto& c : cases) {
    machine.WriteHostFile(cfg, c.file);
    ReadConfiguration();
    EXPECT_EQ(DiskCount, c.expected) << c.file;
  }
}

TEST_F(ConfigurationTest, RunFolderWithoutTrailingBackslash) {
  machine.WriteHostFile(machine.Host("C:\\windows\\temp") + "/instzorv.cfg",
                        "[General]\nNrDiscuri=2\n");
  RunFolder = "C:\\windows\\temp";
  ReadConfiguration();
  EXPECT_EQ(DiskCount, 2);
}
