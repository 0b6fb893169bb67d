// The rules of the installation's work, run as plain procedures without a widget: what the copy
// unpacks where, the folder checks, the updaters' command lines, and the driver's questions,
// answered by their identifiers.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

#include "Install.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Folders.h"
#include "core/Iglobals.h"
#include "engine/Updaters.h"
#include "engine/aliasint.h"
#include "kit/Cliunit.h"
#include "kit/GGlobals.h"
#include "media/Copy.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "prompt/Prompt.h"

namespace {

using Entries = QList<QPair<QString, QByteArray>>;

const char* const kKeys[] = {"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};

Entries Payload(const QString& key) {
  if (key == "EXE") return {{"ZORVAN.EXE", "MZ zorvan"}};
  if (key == "VELAROS") return {{"VELAROS.EXE", "MZ velaros"}};
  if (key == "DBDAT") return {{"DATA/FIRME.DB", "firme"}};
  if (key == "DBNEW") return {{"NEW/DATA/DATA.DB", "date noi"}, {"NEW/LUNA/LUNA.DB", "luna"}};
  if (key == "BDE32") return {{"bde.reg", "REGEDIT4\r\n"}};
  if (key == "HELP") return {{"ZORVAN.HLP", "help"}};
  return {{"KANVERO.EXE", "MZ kanvero"}};
}

// Progress without a page: what the status line would have shown.
class Progress : public TDiskSetPage {
 public:
  QStringList shown;
  int result = 0;
  void SetGroupName(const QString& text) override { shown << text; }
  void SetCopyMax(int) override {}
  void SetCopyPosition(int) override {}
  void SetUnzipMax(int) override {}
  void SetUnzipPosition(int) override {}
  void SetModalResult(int r) override { result = r; }
};

class WorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd = QDir::currentPath();
    runFolder = RunFolder;
    ResetInstallerState();
  }
  void TearDown() override {
    RunFolder = runFolder;
    QDir::setCurrent(cwd);
    win::ResetCurrentDir();
    ResetInstallerState();
  }

  // Files under a machine folder, relative, sorted.
  QStringList Files(const QString& winFolder) const {
    QStringList out;
    const QString root = machine.Host(winFolder);
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
  }

  TestMachine machine;
  QString cwd, runFolder;
};

// ---- the copy ----

class CopyWork : public WorkTest {
 protected:
  void SetUp() override {
    WorkTest::SetUp();
    for (const char* folder : {"C:\\WinZorv", "C:\\Date", "C:\\BDE"})
      QDir(machine.Host(folder)).removeRecursively();
    win::ForceDirectories("C:\\WinZorv");
    win::ForceDirectories("C:\\Date\\NEW\\DATA");
    machine.WriteHostFile(machine.Host("C:\\Date\\NEW\\DATA") + "/VECHI.DB", "vechi");
    machine.WriteHostFile(machine.Host("C:\\WinZorv") + "/ALTELE.ZIP", "the user's own");
    for (const char* key : kKeys) PutArchive(key);
  }
  void PutArchive(const QString& key) {
    ASSERT_TRUE(MakeZip(machine.Host("C:\\WinZorv") + "/" + key + ".ZIP", Payload(key)));
  }
  TCopyJob Job(unsigned char kind, const QString& engine) {
    TCopyJob job;
    job.ShownProgramDir = job.ProgramDir = "C:\\WinZorv";
    job.DataDir = "C:\\Date";
    job.Selection = InstallSets[kind];
    job.EngineFolder = [engine] {
      if (!engine.isEmpty()) win::ForceDirectories(engine);
      return engine;
    };
    job.ProgramUnpacked = [this] { ++notesOffered; };
    return job;
  }
  int notesOffered = 0;
};

TEST_F(CopyWork, EveryKindUnpacksItsArchivesWhereTheyBelong) {
  const QStringList program = {"ALTELE.ZIP", "KANVERO.EXE", "VELAROS.EXE", "ZORVAN.EXE",
                               "ZORVAN.HLP"};
  const struct {
    unsigned char kind;
    QString engine;  // empty: an engine is installed already
    QStringList data;
    bool engineUnpacked;
  } cases[] = {
      {ikLocal, "C:\\BDE", {"DATA/FIRME.DB", "NEW/DATA/DATA.DB", "NEW/LUNA/LUNA.DB"}, true},
      {ikServer, "", {"DATA/FIRME.DB", "NEW/DATA/DATA.DB", "NEW/LUNA/LUNA.DB"}, false},
      // A client uses the server's database: its templates stay as they are.
      {ikClient, "C:\\BDE", {"NEW/DATA/VECHI.DB"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    SetUp();
    Progress progress;
    CopyArchives(progress, Job(c.kind, c.engine));
    EXPECT_EQ(Files("C:\\WinZorv"), program) << "the assembled archives go, the user's stays";
    EXPECT_EQ(Files("C:\\Date"), c.data);
    EXPECT_EQ(Files("C:\\BDE"), c.engineUnpacked ? QStringList{"bde.reg"} : QStringList{});
    EXPECT_EQ(notesOffered, 4) << "after each program archive";
    EXPECT_EQ(progress.shown.value(0), "Fisiere executabile");
    notesOffered = 0;
    TearDown();
  }
}

TEST_F(CopyWork, OptionalArchivesMayBeMissingRequiredOnesMayNot) {
  const struct {
    const char* remove;
    QByteArray replace;  // written in its place when not empty
    bool fails;
  } cases[] = {
      {"VELAROS", {}, false},
      {"KANVERO", {}, false},
      {"HELP", {}, true},
      // Missing or broken templates fail before the old ones are cleared.
      {"DBNEW", {}, true},
      {"DBNEW", "not a zip", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.remove);
    SetUp();
    const QString path = machine.Host("C:\\WinZorv") + "/" + c.remove + ".ZIP";
    QFile::remove(path);
    if (!c.replace.isEmpty()) machine.WriteHostFile(path, c.replace);
    Progress progress;
    if (c.fails) {
      EXPECT_ANY_THROW(CopyArchives(progress, Job(ikLocal, "C:\\BDE")));
      if (QString(c.remove) == "DBNEW") {
        EXPECT_TRUE(Files("C:\\Date").contains("NEW/DATA/VECHI.DB"));
      }
    } else {
      EXPECT_NO_THROW(CopyArchives(progress, Job(ikLocal, "C:\\BDE")));
      EXPECT_EQ(notesOffered, 3);
    }
    notesOffered = 0;
    TearDown();
  }
}

TEST_F(CopyWork, AnUnsetEngineFolderLeavesTheEngineArchiveAlone) {
  TCopyJob job = Job(ikLocal, "C:\\BDE");
  job.EngineFolder = nullptr;
  job.ProgramUnpacked = nullptr;
  Progress progress;
  CopyArchives(progress, job);
  EXPECT_FALSE(win::DirectoryExists("C:\\BDE"));
  EXPECT_EQ(Files("C:\\WinZorv").size(), 5);
}

TEST_F(CopyWork, TheMediumIsReadAsGivenAndTheStateIsLeftAlone) {
  const QString floppy = machine.AddDrive('A', "removable");
  for (const char* key : kKeys) {
    const QString zip = machine.Host("C:\\WinZorv") + "/" + key + ".ZIP";
    machine.WriteHostFile(floppy + "/" + key + ".1", machine.ReadHostFile(zip));
    QFile::remove(zip);
  }
  SourceDir = "Z:\\Elsewhere";
  DiskCount = 6;
  TCopyJob job = Job(ikLocal, "C:\\BDE");
  job.SourceDir = "A:\\";
  job.DiskCount = 2;
  Progress progress;
  prompt::TScriptedAnswers answers;
  // Disk 1 is in; disk 2 never comes: asked for until the user gives up.
  answers.AnswerInTurn("media.insert-disk", {prompt::aOK, prompt::aOK, prompt::aCancel});
  machine.WriteHostFile(floppy + "/DISK1", "");
  EXPECT_FALSE(RunCopy(progress, job));
  EXPECT_EQ(answers.Asked().size(), 3u);
  EXPECT_EQ(answers.Asked()[0].Text, "introdu discul de instalare cu numarul \r2");
  EXPECT_EQ(answers.Asked()[0].Kind, prompt::TKind::Warning);
  EXPECT_EQ(answers.Asked()[0].Buttons, prompt::Buttons({prompt::bOK, prompt::bCancel}));
  EXPECT_EQ(progress.result, mrCancel);
  EXPECT_EQ(Files("C:\\WinZorv").size(), 8) << "the first disk's archives joined, none unpacked";
  EXPECT_EQ(SourceDir, "Z:\\Elsewhere");
  EXPECT_EQ(DiskCount, 6);

  // One disk: joined, unpacked, removed, with no question.
  prompt::TScriptedAnswers none;
  job.DiskCount = 1;
  EXPECT_TRUE(RunCopy(progress, job));
  EXPECT_TRUE(none.Asked().empty());
  EXPECT_EQ(Files("C:\\WinZorv").size(), 5);
}

TEST_F(CopyWork, AnArchiveThatCannotBeRemovedIsSaidInAPlainBox) {
  ASSERT_EQ(win::FileSetAttr("C:\\WinZorv\\HELP.ZIP", win::faReadOnly), 0);
  prompt::TScriptedAnswers answers;
  answers.Answer("media.cannot-delete", prompt::aOK);
  Progress progress;
  CopyArchives(progress, Job(ikLocal, "C:\\BDE"));
  ASSERT_EQ(answers.AskedIds(), QStringList{"media.cannot-delete"});
  EXPECT_EQ(answers.Asked()[0].Text, "Nu pot sterge C:\\WinZorv\\HELP.ZIP");
  EXPECT_TRUE(answers.Asked()[0].Plain);
}

// ---- the folders ----

TEST_F(WorkTest, FolderChecksByKind) {
  const struct {
    unsigned char kind;
    QString program, data;
    bool ok;
    QString dataDir;  // what the installation uses
    bool asked;       // the CLIENT message
  } cases[] = {
      {ikLocal, "C:\\P", "C:\\Elsewhere", true, "C:\\P", false},
      {ikLocal, "C:\\No\\P", "", false, "C:\\No\\P", false},  // the parent is missing
      {ikServer, "C:\\P", "C:\\D", true, "C:\\D", false},
      {ikServer, "C:\\P", "C:\\No\\D", false, "C:\\Before", false},
      {ikClient, "C:\\P", "C:\\Existing", true, "C:\\Existing", false},
      {ikClient, "C:\\P", "C:\\D", false, "C:\\Before", true},
      {ikNone, "C:\\P", "C:\\D", true, "C:\\Before", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QString("%1 %2 %3").arg(c.kind).arg(c.program, c.data).toStdString());
    win::ForceDirectories("C:\\Existing");
    prompt::TScriptedAnswers answers;
    answers.Answer("folders.client-database", prompt::aCancel);
    const TFolderChoice choice = CheckFolders(c.kind, c.program, c.data, "C:\\Before");
    EXPECT_EQ(choice.Ok, c.ok);
    EXPECT_EQ(choice.ProgramDir, c.program);
    EXPECT_EQ(choice.DataDir, c.dataDir);
    EXPECT_EQ(answers.AskedIds(), c.asked ? QStringList{"folders.client-database"} : QStringList{});
    EXPECT_TRUE(answers.Unexpected().isEmpty());
    // A CLIENT never creates the server's folder; a missing program folder is made.
    if (c.kind == ikClient && !c.ok) {
      EXPECT_FALSE(win::DirectoryExists(c.data));
    }
    if (c.ok) {
      EXPECT_TRUE(win::DirectoryExists(c.program));
    }
    QDir(machine.Host("C:\\P")).removeRecursively();
    QDir(machine.Host("C:\\D")).removeRecursively();
  }
}

TEST_F(WorkTest, ClientDatabaseMessageIsTheKitsErrorBox) {
  prompt::TScriptedAnswers answers;
  answers.Answer("folders.client-database", prompt::aCancel);
  CheckFolders(ikClient, "C:\\P", "C:\\Missing", "");
  ASSERT_EQ(answers.Asked().size(), 1u);
  const prompt::TPrompt& p = answers.Asked()[0];
  EXPECT_EQ(p.Text, "La instalarea client baza de date trebuie sa existe!");
  EXPECT_EQ(p.Caption, "Eroare!");
  EXPECT_EQ(p.Kind, prompt::TKind::Error);
  EXPECT_EQ(p.Buttons, prompt::Buttons({prompt::bCancel}));
  EXPECT_EQ(p.Default, prompt::bCancel);
}

// ---- the updaters ----

TEST(Updaters, CommandLinesKeepTheControlOneArgument) {
  const struct {
    QString folder;
    QStringList commands;
  } cases[] = {
      {"C:\\WinZorv",
       {"C:\\WinZorv\\HHUPD.EXE /Q", "C:\\WinZorv\\TREGSVR.EXE -Q C:\\WinZorv\\CFX32.OCX"}},
      {"C:\\Program Files\\Zorv",
       {"C:\\Program Files\\Zorv\\HHUPD.EXE /Q",
        "C:\\Program Files\\Zorv\\TREGSVR.EXE -Q \"C:\\Program Files\\Zorv\\CFX32.OCX\""}},
  };
  for (const auto& c : cases) EXPECT_EQ(UpdaterCommands(c.folder), c.commands);
}

TEST_F(WorkTest, MissingUpdatersAreNoError) {
  win::ForceDirectories("C:\\WinZorv");
  TUpdaterResults results;
  EXPECT_NO_THROW(results = RunUpdaters("C:\\WinZorv"));
  EXPECT_NE(results.Help, 0);
  EXPECT_NE(results.Chart, 0);
}

TEST_F(WorkTest, OlderEngineIsSaidOnceAndItsFilesStay) {
  win::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT", true));
  reg.WriteString("VERSION", "3.1");
  prompt::TScriptedAnswers answers;
  answers.Answer("engine.old-engine", prompt::aOK);
  EXPECT_EQ(ChooseEngineFolder(), "");
  EXPECT_TRUE(OldEngineFound);
  ASSERT_EQ(answers.AskedIds(), QStringList{"engine.old-engine"});
  const prompt::TPrompt& p = answers.Asked()[0];
  EXPECT_EQ(p.Text,
            "Am gasit o instalare mai veche de\rmotor baza de date (BDE)...\r"
            "Daca ZarEDERAD nu functioneaza, contactati-ne.\r");
  EXPECT_EQ(p.Kind, prompt::TKind::Error);
  EXPECT_EQ(p.Prefix, "Protectia aplicatiilor existente");
  EXPECT_EQ(p.PrefixAfter, "PENTRU CONTINUARE");
}

// ---- the driver's questions ----

TEST_F(WorkTest, ClientUpgradeQuestionByAnswer) {
  const struct {
    unsigned char kind;
    int answer;
    bool asked, upgrade;
  } cases[] = {
      {ikLocal, prompt::aNo, false, true},     {ikServer, prompt::aNo, false, true},
      {ikClient, prompt::aYes, true, true},    {ikClient, prompt::aNo, true, false},
      {ikClient, prompt::aCancel, true, true},  // closed: only No keeps the server as it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QString("%1 %2").arg(c.kind).arg(c.answer).toStdString());
    InstallKind = c.kind;
    prompt::TScriptedAnswers answers;
    answers.Answer("driver.client-upgrade", c.answer);
    EXPECT_EQ(ClientUpgradeQuestion(), c.upgrade);
    ASSERT_EQ(answers.Asked().size(), c.asked ? 1u : 0u);
    if (!c.asked) continue;
    const prompt::TPrompt& p = answers.Asked()[0];
    EXPECT_TRUE(p.Text.startsWith("Baza de date se afla la distanta, pe SERVER.\r"));
    EXPECT_TRUE(p.Text.endsWith("Fac UPGRADE la baza de date de pe SERVER?\r"));
    EXPECT_EQ(p.Caption, "UPGRADE baza de date SERVER ?");
    EXPECT_EQ(p.Kind, prompt::TKind::Confirmation);
    EXPECT_EQ(p.Default, prompt::bNo);
    EXPECT_EQ(p.Prefix, QString());
    EXPECT_EQ(p.PrefixAfter, "PENTRU CONTINUARE");
  }
}

TEST_F(WorkTest, UpgradeStartMessages) {
  win::ForceDirectories("C:\\Run");
  RunFolder = "C:\\Run\\";
  UpgradeMode = true;
  {
    prompt::TScriptedAnswers answers;
    answers.Answer("driver.no-upgrade-zip", prompt::aOK);
    PrepareUpgradeArchive();
    EXPECT_EQ(answers.AskedIds(), QStringList{"driver.no-upgrade-zip"});
    EXPECT_EQ(answers.Asked()[0].Text, "Nu gasesc Upgrade.zip");
  }
  {
    prompt::TScriptedAnswers answers;
    answers.Answer("driver.no-upgrade-dll", prompt::aCancel);
    EnterUpgradePath();
    EXPECT_EQ(answers.AskedIds(), QStringList{"driver.no-upgrade-dll"});
    EXPECT_EQ(answers.Asked()[0].Caption, "Program incomplet!");
    EXPECT_EQ(CurrentPage, pgExit);
  }
}

}  // namespace
