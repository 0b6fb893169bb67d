// The database engine set-up as the configuration and copy pages use it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <functional>

#include "EngineCfg.h"
#include "EngineSupport.h"
#include "common/ScriptedUser.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/MsgDlg.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

namespace {

const char kEngineFolder[] = "C:\\Program Files\\Borland\\Common Files\\BDE";

// The registry file of the sample engine archive BDE32.
const QByteArray kBdeReg =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine]\r\n"
    "\"CONFIGFILE01\"=\"$ProgDir$\\\\Borland\\\\Common Files\\\\BDE\\\\IDAPI32.CFG\"\r\n"
    "\"DLLPATH\"=\"$ProgDir$\\\\Borland\\\\Common Files\\\\BDE\"\r\n"
    "\"Twice\"=\"$ProgDir$;$ProgDir$\"\r\n"
    "\"UseCount\"=\"1\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT]\r\n"
    "\"VERSION\"=\"4.0\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\BLW32]\r\n"
    "\"BLAPIPATH\"=\"$ProgDir$\\\\Borland\\\\Common Files\\\\BDE\"\r\n";

QString Reg(const QString& key, const QString& name) {
  win::TRegistry reg;
  return reg.OpenKeyReadOnly(key) ? reg.ReadString(name) : QString("<no key>");
}

void SetReg(const QString& key, const QString& name, const QString& value) {
  win::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key, true));
  if (!name.isNull()) reg.WriteString(name, value);
}

class AliasTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetEngine();
    ResetInstallerState();
    MsgPrefix.clear();
    machine.AddDrive('D', "fixed");
  }
  void TearDown() override {
    ResetEngine();
    MsgPrefix.clear();
  }
  // The engine archive unpacked where ChooseEngineFolder says.
  void UnpackEngine(const QString& folder) {
    machine.WriteHostFile(machine.Host(folder + "\\bde.reg"), kBdeReg);
    machine.WriteHostFile(machine.Host(folder + "\\IDAPI32.CFG"), "");
  }
  TEngineCfg Cfg(const QString& file) {
    TEngineCfg cfg;
    EXPECT_TRUE(cfg.Parse(machine.ReadHostFile(machine.Host(file))));
    return cfg;
  }
};

}  // namespace

TEST(VersionNumber, IntegerPartOfTheText) {
  const struct {
    const char* text;
    int number;
  } cases[] = {{"4.0", 4}, {"3.1", 3}, {"5.01", 5}, {"5", 5}, {"", 0}, {"4,5", 4}, {"12.3,4", 12}};
  for (const auto& c : cases) EXPECT_EQ(VersionNumber(c.text), c.number) << c.text;
}

TEST_F(AliasTest, FreshInstallationRegistersTheEngineAndCreatesTheAliases) {
  for (const QString dataDir : {"D:\\Date\\", "D:\\Date"}) {
    SCOPED_TRACE(dataDir.toStdString());
    ResetEngine();
    QDir(machine.Host("D:\\")).removeRecursively();
    QDir().mkpath(machine.Host("D:\\"));
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    QDir(machine.Host("C:\\Program Files")).removeRecursively();

    EXPECT_FALSE(IsInstalled());
    QString folder = ChooseEngineFolder();
    EXPECT_EQ(folder, kEngineFolder);
    ASSERT_TRUE(win::DirectoryExists(folder));
    UnpackEngine(folder);
    DataDir = dataDir;
    DoConfigBDE();

    // bde.reg rewritten: the first placeholder of each line, backslashes doubled, CR LF.
    QByteArray reg = machine.ReadHostFile(machine.Host(folder + "\\bde.reg"));
    EXPECT_TRUE(
        reg.contains("\"CONFIGFILE01\"=\"C:\\\\Program Files\\\\Borland\\\\Common Files"
                     "\\\\BDE\\\\IDAPI32.CFG\"\r\n"));
    EXPECT_TRUE(reg.contains("\"Twice\"=\"C:\\\\Program Files;$ProgDir$\"\r\n"));
    EXPECT_FALSE(reg.contains("\"$ProgDir$\\\\Borland"));
    // ... and imported by the registry editor.
    EXPECT_EQ(Reg("\\Software\\Borland\\Database Engine", "CONFIGFILE01"),
              QString(kEngineFolder) + "\\IDAPI32.CFG");
    EXPECT_EQ(Reg("\\Software\\Borland\\BLW32", "BLAPIPATH"), kEngineFolder);
    EXPECT_EQ(Reg("\\Software\\Borland\\Database Engine", "UseCount"), "1");

    TEngineCfg cfg = Cfg(QString(kEngineFolder) + "\\IDAPI32.CFG");
    EXPECT_EQ(cfg.AliasPath("ZORVANALIAS"), "D:\\Date\\NEW\\DATA");
    EXPECT_EQ(cfg.AliasPath("FIRMAALIAS"), "D:\\Date\\NEW\\FIRMA");
    EXPECT_EQ(cfg.AliasPath("LUNAALIAS"), "D:\\Date\\NEW\\LUNA");
    EXPECT_EQ(cfg.AliasPath("ZORVAN"), "D:\\Date\\DATA");
    EXPECT_EQ(cfg.AliasDriver("ZORVAN"), "PARADOX");
    EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "D:\\Date\\");
    EXPECT_TRUE(win::DirectoryExists("D:\\Date\\NetDir"));

    EXPECT_FALSE(IsInstalled());  // the alias is there, its folder not yet
    ASSERT_TRUE(win::ForceDirectories("D:\\Date\\DATA"));
    EXPECT_TRUE(IsInstalled());

    // Nothing but the stores beside the stores: no lock, no temporary file.
    EXPECT_EQ(FolderEntries(machine.Host(folder)), (QStringList{"bde.reg", "IDAPI32.CFG"}));
    EXPECT_EQ(FolderEntries(machine.folder() + "/registry"), QStringList{"HKLM.reg"});

    // Back from the finish page and Continue again: the imported file counted this installation.
    DoConfigBDE();
    EXPECT_EQ(Reg("\\Software\\Borland\\Database Engine", "UseCount"), "1");
  }
}

TEST_F(AliasTest, AnotherInstallationCountsOneMoreUserAndLeavesNetDirAlone) {
  const struct {
    const char* initial;  // nullptr: no value
    bool dword;
    const char* afterTwo;
  } cases[] = {{nullptr, false, "2"}, {"5", false, "7"}, {"abc", false, "2"}, {"3", true, "5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.initial ? c.initial : "(missing)");
    ResetEngine();
    ResetInstallerState();
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    SetReg("\\Software\\Borland\\BLW32", QString(), QString());
    QString cfgFile = InstallEngineConfig(machine);
    if (c.initial && c.dword) {
      machine.WriteHostFile(machine.Host("C:\\count.reg"),
                            QByteArray("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Borland\\"
                                       "Database Engine]\r\n\"UseCount\"=dword:0000000") +
                                c.initial + "\r\n");
      win::ImportRegFile("C:\\count.reg");
    }
    if (c.initial && !c.dword)
      SetReg("\\Software\\Borland\\Database Engine", "UseCount", c.initial);
    DataDir = "D:\\Date";
    DoConfigBDE();
    // Back from the finish page runs the configuration again: still one installation.
    DoConfigBDE();
    ResetInstallerState();  // the second installation, another run
    DataDir = "D:\\Date";
    DoConfigBDE();
    EXPECT_EQ(Reg("\\Software\\Borland\\Database Engine", "UseCount"), c.afterTwo);
    TEngineCfg cfg;
    ASSERT_TRUE(cfg.Parse(machine.ReadHostFile(cfgFile)));
    EXPECT_EQ(cfg.AliasPath("ZORVAN"), "D:\\Date\\DATA");
    cfg.AddDefaults();
    EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "");
    EXPECT_FALSE(win::DirectoryExists("D:\\Date\\NetDir"));
  }
}

TEST_F(AliasTest, AnEngineWithoutItsRegistrationNeedsBdeReg) {
  SetReg("\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT", "VERSION", "4.0");
  QString cfgFile = InstallEngineConfig(machine);
  const QByteArray before = machine.ReadHostFile(cfgFile);
  EXPECT_EQ(ChooseEngineFolder(), "");  // the engine archive is not unpacked
  EXPECT_FALSE(win::DirectoryExists("C:\\Program Files\\Borland"));
  DataDir = "D:\\Date";
  try {
    DoConfigBDE();
    ADD_FAILURE() << "no error without bde.reg";
  } catch (const win::EInOutError& e) {
    EXPECT_TRUE(e.message().contains("bde.reg")) << e.message().toStdString();
  }
  EXPECT_EQ(machine.ReadHostFile(cfgFile), before);  // no aliases
  EXPECT_EQ(FolderEntries(machine.Host("C:\\BDE")), QStringList{"IDAPI32.CFG"});
  EXPECT_EQ(FolderEntries(machine.folder() + "/registry"), QStringList{"HKLM.reg"});
}

TEST_F(AliasTest, OlderEngineWarningByVersion) {
  const struct {
    const char* version;  // nullptr: the key has no VERSION
    bool warning;
  } cases[] = {{"4.0", false}, {"3.1", true}, {"5.01", false},
               {"5", false},   {"", true},    {nullptr, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version ? c.version : "(no VERSION)");
    ResetInstallerState();
    MsgPrefix.clear();
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    if (c.version)
      SetReg("\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT", "VERSION", c.version);
    else
      SetReg("\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT", QString(), QString());
    QString shown;
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
      shown = ScriptedUser::MessageText(modal);
      if (QString(c.version ? c.version : "") == "3.1") {
        EXPECT_TRUE(modal->grab().save(ScreenFile("engine-older-warning.png")));
      }
      ScriptedUser::Click("O&K")(modal);
    });
    EXPECT_EQ(ChooseEngineFolder(), "");
    EXPECT_EQ(OldEngineFound, c.warning);
    EXPECT_EQ(user.seen.size(), c.warning ? 1 : 0);
    EXPECT_FALSE(win::DirectoryExists("C:\\Program Files\\Borland"));
    if (c.warning) {
      EXPECT_EQ(user.seen.value(0), "TMessageForm: EROARE !");
      EXPECT_TRUE(
          shown.contains("PROTECTIA APLICATIILOR EXISTENTE,\n\nAm gasit o instalare mai "
                         "veche de\nmotor baza de date (BDE)...\nDaca ZarEDERAD nu "
                         "functioneaza, contactati-ne.\n"))
          << shown.toStdString();
      EXPECT_EQ(MsgPrefix, "PENTRU CONTINUARE");
    } else {
      EXPECT_EQ(MsgPrefix, "");
    }
  }
}

TEST_F(AliasTest, AddAliasesAttemptsEveryAliasAndNeverCutsOne) {
  EXPECT_FALSE(AddAliases({"A"}, {}));
  EXPECT_FALSE(AddAliases({"A"}, {"C:\\A"}));  // no engine
  QString cfgFile = InstallEngineConfig(machine);
  QString longPath = "C:\\" + QString(260, 'p');
  EXPECT_TRUE(AddAliases({"A"}, {"C:\\A"}));
  EXPECT_FALSE(AddAliases({"A", "LONG", "B"}, {"C:\\Other", longPath, "C:\\B"}));
  TEngineCfg cfg;
  ASSERT_TRUE(cfg.Parse(machine.ReadHostFile(cfgFile)));
  EXPECT_EQ(cfg.AliasPath("A"), "C:\\A");  // an existing alias is left unchanged
  EXPECT_FALSE(cfg.HasAlias("LONG"));
  EXPECT_EQ(cfg.AliasPath("B"), "C:\\B");
}

// Every way the engine step can fail on a fresh engine ends in an error naming what failed, and
// the installation does not go on as if the engine worked; an alias that exists already (a
// reinstallation) is no failure.
TEST_F(AliasTest, AFailingEngineStepSaysWhatFailed) {
  const QString regedit = machine.Host("C:\\windows\\REGEDIT.EXE");
  const QString store = machine.folder() + "/registry/HKLM.reg";
  const QString cfgHost = machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG");
  const struct {
    const char* what;
    std::function<void()> spoil;  // run after the engine archive was unpacked
    const char* message;          // nullptr: no error
  } cases[] = {
      {"regedit exits 1",
       [&] {
         QFile::remove(regedit);
         machine.WriteHostFile(regedit, "#!/bin/sh\nexit 1\n");
         QFile::setPermissions(regedit, QFile::ReadOwner | QFile::ExeOwner);
       },
       "The registry editor could not import C:\\Program Files\\Borland\\Common Files\\BDE\\"
       "bde.reg: regedit /s ended with exit code 1."},
      {"no registry editor", [&] { QFile::remove(regedit); },
       "The registry editor (regedit) could not be started to import C:\\Program Files\\"
       "Borland\\Common Files\\BDE\\bde.reg."},
      {"a registry store with a broken line",
       [&] {
         machine.WriteHostFile(store,
                               "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                               "Windows\\CurrentVersion]\r\n\"ProgramFilesDir\"=\"C:\\\\"
                               "Program Files\"\r\nthis line is broken\r\n");
       },
       "The registry editor could not import C:\\Program Files\\Borland\\Common Files\\BDE\\"
       "bde.reg: regedit /s ended with exit code 1."},
      {"an engine configuration that cannot be read",
       [&] { machine.WriteHostFile(cfgHost, "[\\DRIVERS\\PARADOX\\INIT]\r\nnot a setting\r\n"); },
       "The database engine cannot start: its configuration file C:\\Program Files\\Borland\\"
       "Common Files\\BDE\\IDAPI32.CFG cannot be read."},
      {"an alias that exists already",
       [&] {
         machine.WriteHostFile(cfgHost,
                               "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\n"
                               "PATH=E:\\Old\\DATA\r\n");
       },
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetEngine();
    QFile::remove(store);
    QDir(machine.Host("C:\\Program Files")).removeRecursively();
    QDir(machine.Host("D:\\")).removeRecursively();
    QDir().mkpath(machine.Host("D:\\"));
    ASSERT_TRUE(win::PlaceRegistryEditor(machine.Host("C:\\windows")));
    const QString folder = ChooseEngineFolder();
    UnpackEngine(folder);
    c.spoil();
    DataDir = "D:\\Date";
    QString error;
    try {
      DoConfigBDE();
    } catch (const win::Error& e) {
      error = e.message();
    }
    if (!c.message) {
      EXPECT_EQ(error, "");
      TEngineCfg cfg = Cfg(QString(kEngineFolder) + "\\IDAPI32.CFG");
      EXPECT_EQ(cfg.AliasPath("ZORVAN"), "E:\\Old\\DATA") << "left as it was";
      EXPECT_EQ(cfg.AliasPath("LUNAALIAS"), "D:\\Date\\NEW\\LUNA");
      EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "D:\\Date\\");
      continue;
    }
    EXPECT_EQ(error, c.message);
    EXPECT_FALSE(win::DirectoryExists("D:\\Date\\NetDir")) << "nothing after the failure";
  }
}

TEST_F(AliasTest, AnotherInstallationOnABrokenRegistryStoreFails) {
  SetReg("\\Software\\Borland\\BLW32", QString(), QString());
  SetReg("\\Software\\Borland\\Database Engine", "UseCount", "1");
  InstallEngineConfig(machine);
  const QString store = machine.folder() + "/registry/HKLM.reg";
  machine.WriteHostFile(store, machine.ReadHostFile(store) + "broken\r\n");
  DataDir = "D:\\Date";
  try {
    DoConfigBDE();
    ADD_FAILURE() << "no error";
  } catch (const win::Error& e) {
    EXPECT_TRUE(e.message().contains("HKLM.reg")) << e.what();
    EXPECT_TRUE(e.message().contains("line")) << e.what();
  }
  EXPECT_EQ(Reg("\\Software\\Borland\\Database Engine", "UseCount"), "1");
}

TEST_F(AliasTest, AliasProblemsNameEachAliasButNotOneThatExists) {
  QString cfgFile = InstallEngineConfig(machine);
  QStringList problems;
  EXPECT_TRUE(AddAliases({"A"}, {"C:\\A"}, &problems));
  EXPECT_TRUE(problems.isEmpty());
  QString longPath = "C:\\" + QString(260, 'p');
  EXPECT_FALSE(AddAliases({"A", "LONG"}, {"C:\\Other", longPath}, &problems));
  ASSERT_EQ(problems.size(), 1) << problems.join("|").toStdString();
  EXPECT_TRUE(problems[0].startsWith("The database alias LONG could not be created"))
      << problems[0].toStdString();
  EXPECT_TRUE(problems[0].contains("255 characters"));
  // NET DIR longer than the engine's node holds is a failure too, not a value cut short.
  EXPECT_TRUE(SetNetDir("C:\\" + QString(130, 'n')).contains("at most 127 characters"));
  EXPECT_EQ(SetNetDir("C:\\Net"), "");
  TEngineCfg cfg;
  ASSERT_TRUE(cfg.Parse(machine.ReadHostFile(cfgFile)));
  EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "C:\\Net\\");
}
