// The engine calls over the engine stand-in's configuration file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <vector>

#include "EngineCfg.h"
#include "EngineSupport.h"
#include "platform/Registry.h"

namespace {

class EngineTest : public MachineTest {
 protected:
  void SetUp() override { ResetEngine(); }
  void TearDown() override { ResetEngine(); }

  TEngineCfg FileCfg() {
    TEngineCfg cfg;
    EXPECT_TRUE(cfg.Parse(machine.ReadHostFile(cfgFile)));
    return cfg;
  }
  QString cfgFile;
};

DBIResult Open(const char* alias) {
  hDBIDb db = nullptr;
  DBIResult r = DbiOpenDatabase(alias, nullptr, dbiREADONLY, dbiOPENSHARED, nullptr, 0, nullptr,
                                nullptr, &db);
  if (r == DBIERR_NONE) {
    EXPECT_EQ(DbiCloseDatabase(&db), DBIERR_NONE);
  }
  return r;
}

// Node name -> value of a configuration path, as a cursor reads them.
QList<QPair<QByteArray, QByteArray>> Nodes(const char* path) {
  QList<QPair<QByteArray, QByteArray>> out;
  hDBICur cur = nullptr;
  if (DbiOpenCfgInfoList(nullptr, dbiREADONLY, cfgPersistent, path, &cur) != DBIERR_NONE)
    return out;
  CFGDesc d;
  while (DbiGetNextRecord(cur, dbiNOLOCK, &d, nullptr) == DBIERR_NONE)
    out.append({d.szNodeName, d.bHasSubnodes ? QByteArray("<sub>") : QByteArray(d.szValue)});
  DbiCloseCursor(&cur);
  return out;
}

}  // namespace

TEST(EngineCfgFormat, ReadsWritesAndRefusesWhatItCannotKeep) {
  const QByteArray text =
      "; comment\r\n"
      "[\\DATABASES\\ZORVAN\\DB INFO]\r\n"
      "TYPE=PARADOX\r\n"
      "PATH=D:\\Date\\DATA\r\n"
      "[\\\\DRIVERS\\\\PARADOX\\\\INIT]\n"
      "NET DIR=a=b \xAA\n";
  TEngineCfg cfg;
  ASSERT_TRUE(cfg.Parse(text));
  EXPECT_EQ(cfg.AliasPath("zorvan"), "D:\\Date\\DATA");
  EXPECT_EQ(cfg.Value("\\drivers\\paradox\\init", "net dir"), "a=b \xAA");
  EXPECT_EQ(cfg.AliasNames(), QList<QByteArray>{"ZORVAN"});
  TEngineCfg again;
  ASSERT_TRUE(again.Parse(cfg.Serialize()));
  EXPECT_EQ(again.Serialize(), cfg.Serialize());

  EXPECT_FALSE(cfg.AddAlias("Zorvan", "PARADOX", "PATH:X"));  // exists
  EXPECT_FALSE(cfg.AddAlias("A\\B", "PARADOX", "PATH:X"));    // would be a path
  EXPECT_FALSE(cfg.AddAlias("NEW", "PARADOX", "PATH:X\nY"));  // a line break
  EXPECT_FALSE(cfg.HasAlias("NEW"));

  int bad = 0;
  EXPECT_FALSE(TEngineCfg().Parse("[\\A]\r\nfine=1\r\nno equals here\r\n", &bad));
  EXPECT_EQ(bad, 3);
  EXPECT_FALSE(TEngineCfg().Parse("NAME=value before any section\r\n", &bad));

  // A section or value named twice, in any case, is one; the first spelling and place stay.
  TEngineCfg twice;
  ASSERT_TRUE(twice.Parse("[\\A\\b]\r\nx=1\r\n[\\c]\r\n[\\a\\B\\]\r\nX=2\r\ny=3\r\n"));
  EXPECT_EQ(twice.Serialize().mid(twice.Serialize().indexOf("\r\n") + 2),
            "\r\n[\\A\\b]\r\nx=2\r\ny=3\r\n\r\n[\\c]\r\n");
}

TEST(EngineCfgFormat, ThousandsOfAliases) {
  TEngineCfg cfg;
  cfg.AddDefaults();
  for (int i = 0; i < 3000; ++i)
    ASSERT_TRUE(
        cfg.AddAlias("A" + QByteArray::number(i), "PARADOX", "PATH:C:\\D" + QByteArray::number(i)));
  TEngineCfg again;
  ASSERT_TRUE(again.Parse(cfg.Serialize()));
  const QList<QByteArray> names = again.AliasNames();
  ASSERT_EQ(names.size(), 3000);
  EXPECT_EQ(names[2999], "A2999");
  EXPECT_EQ(again.AliasPath("a1234"), "C:\\D1234");
  EXPECT_FALSE(again.AddAlias("a2999", "PARADOX", "PATH:X"));
  EXPECT_TRUE(again.HasChildren("\\DATABASES\\A7"));
  EXPECT_FALSE(again.HasChildren("\\DATABASES\\A7\\DB INFO"));
}

TEST_F(EngineTest, InitNeedsAReadableConfigurationNamedByTheRegistry) {
  EXPECT_EQ(DbiInit(nullptr), DBIERR_NOCONFIGFILE);
  EXPECT_EQ(DbiExit(), DBIERR_NOTINITIALIZED);
  win::TRegistry reg;
  reg.OpenKey("\\Software\\Borland\\Database Engine", true);
  reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
  EXPECT_EQ(DbiInit(nullptr), DBIERR_CFGCANNOTREAD);  // named, but not there
  cfgFile = InstallEngineConfig(machine, "[\\A]\r\ngarbage\r\n");
  EXPECT_EQ(DbiInit(nullptr), DBIERR_CFGCANNOTREAD);
  EXPECT_EQ(machine.ReadHostFile(cfgFile), "[\\A]\r\ngarbage\r\n");  // left as it was
  cfgFile = InstallEngineConfig(machine);  // an empty file is a new engine's configuration
  EXPECT_EQ(DbiInit(nullptr), DBIERR_NONE);
  EXPECT_EQ(DbiInit(nullptr), DBIERR_NONE);  // uses nest
  EXPECT_EQ(DbiExit(), DBIERR_NONE);
  EXPECT_EQ(Open("ZORVAN"), DBIERR_UNKNOWNDB);
  EXPECT_EQ(DbiExit(), DBIERR_NONE);
  EXPECT_EQ(Open("ZORVAN"), DBIERR_NOTINITIALIZED);
}

TEST_F(EngineTest, AliasesArePersistentAndOpenOnceTheirFolderExists) {
  cfgFile = InstallEngineConfig(machine);
  ASSERT_EQ(DbiInit(nullptr), DBIERR_NONE);
  EXPECT_EQ(DbiAddAlias(nullptr, "ZORVAN", "PARADOX", "PATH:C:\\Date\\DATA", true), DBIERR_NONE);
  EXPECT_EQ(DbiAddAlias(nullptr, "zorvan", "PARADOX", "PATH:C:\\Other", true),
            DBIERR_NAMENOTUNIQUE);
  EXPECT_EQ(DbiAddAlias(nullptr, "X", "NOSUCHDRIVER", "PATH:C:\\X", true), DBIERR_UNKNOWNDRIVER);
  EXPECT_EQ(FileCfg().AliasPath("ZORVAN"), "C:\\Date\\DATA");  // written at once
  EXPECT_FALSE(FileCfg().HasAlias("X"));

  EXPECT_EQ(Open("ZORVAN"), DBIERR_DIRNOTFOUND);
  QDir().mkpath(machine.Host("C:\\date\\data"));
  EXPECT_EQ(Open("Zorvan"), DBIERR_NONE);

  // A session alias reaches the file with DbiCfgSave.
  EXPECT_EQ(DbiAddAlias(nullptr, "SESSION", "PARADOX", "PATH:C:\\Date", false), DBIERR_NONE);
  EXPECT_FALSE(FileCfg().HasAlias("SESSION"));
  EXPECT_EQ(Open("SESSION"), DBIERR_NONE);
  EXPECT_EQ(DbiCfgSave(nullptr, nullptr, false), DBIERR_NONE);
  EXPECT_EQ(FileCfg().AliasPath("SESSION"), "C:\\Date");
}

TEST_F(EngineTest, ChangesOfOtherProcessesAreKept) {
  cfgFile = InstallEngineConfig(machine);
  ASSERT_EQ(DbiInit(nullptr), DBIERR_NONE);
  // Another process adds an alias after this one read the configuration.
  TEngineCfg other = FileCfg();
  other.AddAlias("OTHER", "PARADOX", "PATH:C:\\O");
  machine.WriteHostFile(cfgFile, other.Serialize());
  EXPECT_EQ(DbiAddAlias(nullptr, "MINE", "PARADOX", "PATH:C:\\M", true), DBIERR_NONE);
  EXPECT_TRUE(FileCfg().HasAlias("OTHER"));
  EXPECT_TRUE(FileCfg().HasAlias("MINE"));
}

TEST_F(EngineTest, ConfigurationCursorReadsAndStoresNodes) {
  cfgFile = InstallEngineConfig(machine);
  ASSERT_EQ(DbiInit(nullptr), DBIERR_NONE);
  auto nodes = Nodes("\\DRIVERS\\PARADOX\\INIT");
  ASSERT_FALSE(nodes.isEmpty());
  EXPECT_TRUE(nodes.contains(QPair<QByteArray, QByteArray>("NET DIR", "")));
  EXPECT_TRUE(nodes.contains(QPair<QByteArray, QByteArray>("TYPE", "FILE")));
  EXPECT_EQ(Nodes("\\DRIVERS"), (QList<QPair<QByteArray, QByteArray>>{{"PARADOX", "<sub>"}}));
  hDBICur cur = nullptr;
  EXPECT_EQ(DbiOpenCfgInfoList(nullptr, dbiREADWRITE, cfgPersistent, "\\NO\\SUCH", &cur),
            DBIERR_OBJNOTFOUND);

  // Doubled separators, as the original program's path literal has them, name the same node.
  ASSERT_EQ(DbiOpenCfgInfoList(nullptr, dbiREADWRITE, cfgPersistent,
                               "\\\\DRIVERS\\\\PARADOX\\\\INIT", &cur),
            DBIERR_NONE);
  ASSERT_EQ(DbiSetToBegin(cur), DBIERR_NONE);
  CFGDesc d;
  EXPECT_EQ(DbiModifyRecord(cur, &d, true), DBIERR_INVALIDPARAM);  // before the first node
  while (DbiGetNextRecord(cur, dbiREADLOCK, &d, nullptr) == DBIERR_NONE)
    if (qstrcmp(d.szNodeName, "NET DIR") == 0) break;
  qstrcpy(d.szValue, "C:\\Date\\");
  EXPECT_EQ(DbiModifyRecord(cur, &d, true), DBIERR_NONE);
  EXPECT_EQ(FileCfg().Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "C:\\Date\\");
  while (DbiGetNextRecord(cur, dbiREADLOCK, &d, nullptr) == DBIERR_NONE) {
  }
  EXPECT_EQ(DbiGetNextRecord(cur, dbiREADLOCK, &d, nullptr), DBIERR_EOF);

  hDBICur ro = nullptr;
  ASSERT_EQ(
      DbiOpenCfgInfoList(nullptr, dbiREADONLY, cfgPersistent, "\\DRIVERS\\PARADOX\\INIT", &ro),
      DBIERR_NONE);
  ASSERT_EQ(DbiGetNextRecord(ro, dbiNOLOCK, &d, nullptr), DBIERR_NONE);
  EXPECT_EQ(DbiModifyRecord(ro, &d, true), DBIERR_READONLY);
  EXPECT_EQ(DbiExit(), DBIERR_NONE);  // frees both cursors
  EXPECT_EQ(DbiSetToBegin(cur), DBIERR_INVALIDHNDL);
}

TEST_F(EngineTest, ConcurrentWritersLoseNoAlias) {
  cfgFile = InstallEngineConfig(machine);
  constexpr int kWriters = 3, kAliases = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failed = DbiInit(nullptr) != DBIERR_NONE;
      for (int i = 0; i < kAliases; ++i) {
        QByteArray name = "W" + QByteArray::number(w) + "A" + QByteArray::number(i);
        failed |= DbiAddAlias(nullptr, name, "PARADOX", "PATH:C:\\" + name, true) != DBIERR_NONE;
      }
      _exit(failed);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(FileCfg().AliasNames().size(), kWriters * kAliases);
  EXPECT_EQ(FolderEntries(QFileInfo(cfgFile).absolutePath()), QStringList{"IDAPI32.CFG"});
}

// Another process holds the configuration's lock and never lets go: every change gives up after
// the bound with a result that names the file, and changes nothing.
TEST_F(EngineTest, AWriterGivesUpOnALockHeldForever) {
  cfgFile = InstallEngineConfig(machine);
  ASSERT_EQ(DbiInit(nullptr), DBIERR_NONE);
  const QByteArray before = machine.ReadHostFile(cfgFile);
  {
    HeldStoreLock held(QFileInfo(cfgFile).absolutePath(), 300);
    EXPECT_EQ(DbiAddAlias(nullptr, "ZORVAN", "PARADOX", "PATH:C:\\D", true), DBIERR_CFGLOCKED);
    char text[DBIMAXMSGLEN + 1];
    ASSERT_EQ(DbiGetErrorString(DBIERR_CFGLOCKED, text), DBIERR_NONE);
    EXPECT_TRUE(QByteArray(text).contains("C:\\BDE\\IDAPI32.CFG")) << text;
    EXPECT_TRUE(QByteArray(text).contains("locked")) << text;
    EXPECT_EQ(DbiAddAlias(nullptr, "SESSION", "PARADOX", "PATH:C:\\S", false), DBIERR_NONE);
    EXPECT_EQ(DbiCfgSave(nullptr, nullptr, false), DBIERR_CFGLOCKED);
    EXPECT_EQ(machine.ReadHostFile(cfgFile), before);
    EXPECT_EQ(FolderEntries(QFileInfo(cfgFile).absolutePath()), QStringList{"IDAPI32.CFG"});
  }
  EXPECT_EQ(DbiCfgSave(nullptr, nullptr, false), DBIERR_NONE);  // the session alias is kept
  EXPECT_EQ(DbiAddAlias(nullptr, "ZORVAN", "PARADOX", "PATH:C:\\D", true), DBIERR_NONE);
  EXPECT_TRUE(FileCfg().HasAlias("SESSION"));
  EXPECT_TRUE(FileCfg().HasAlias("ZORVAN"));
  EXPECT_EQ(FolderEntries(QFileInfo(cfgFile).absolutePath()), QStringList{"IDAPI32.CFG"});
}
