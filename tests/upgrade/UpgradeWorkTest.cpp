// The work of the two upgrade pages without their windows: the entry filter, the template
// folders, the unpacking of the upgrade's archives with its gauge, and the database steps loop.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "media/UpgCopy.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"
#include "upgrade/UpgData.h"

namespace {

using Entries = QList<QPair<QString, QByteArray>>;

std::string Lines(const QStringList& list) {
  return list.join(" | ").toStdString();
}

TEST(UpgradeEntryFilter, ProgramAndDatabaseArchives) {
  const struct {
    const char* name;
    bool program;
    bool accepted;
  } cases[] = {
      {"ZORVAN.EXE", true, true},
      {"VerInfo/3200875.01/Instruct.htm", true, true},
      {"IDAPI/IDAPI32.DLL", true, false},
      {"idapi32.cfg", true, false},  // the text begins with IDAPI, folder or not
      {"IDAPI", true, false},
      {"SUB/IDAPI/X.DLL", true, true},
      {"DATA/FIRME.DB", true, true},  // a program archive is not filtered by NEW
      {"DATA/FIRME.DB", false, false},
      {"DATA/", false, false},
      {"NEW/DATA/FIRME.DB", false, true},
      {"new/luna/LUNA.DB", false, true},
      {"NEW\\FIRMA\\FIRMA.DB", false, true},
      {"NEWS.TXT", false, true},  // only "\NEW" is compared
      {"NE", false, false},
      {"X/NEW/A.DB", false, false},
      {"ZORVAN.EXE", false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UpgradeEntryAccepted(c.name, c.program), c.accepted)
        << c.name << (c.program ? " in a program archive" : " in a database archive");
}

// A page that records what the upgrade copy shows.
class RecordingPage : public TUpgradeCopyPage {
 public:
  QStringList log;  // "name X", "max N", "pos N", "events", "notes"
  int events = 0;
  void SetGroupName(const QString& text) override { log << "name " + text; }
  void SetCopyMax(int) override {}
  void SetCopyPosition(int) override {}
  void SetUnzipMax(int max) override { log << QString("max %1").arg(max); }
  void SetUnzipPosition(int position) override { log << QString("pos %1").arg(position); }
  void SetModalResult(int result) override { log << QString("result %1").arg(result); }
  void HandleEvents() override { ++events; }
};

class UpgradeCopyTest : public MachineTest {
 protected:
  void SetUp() override {
    cwd_ = QDir::currentPath();
    ResetInstallerState();
    win::ForceDirectories(kProgram);
    win::ForceDirectories(kData);
  }
  void TearDown() override {
    QDir::setCurrent(cwd_);
    win::ResetCurrentDir();
    ResetInstallerState();
  }
  void Zip(const QString& name, const Entries& entries) {
    ASSERT_TRUE(MakeZip(machine.Host(QString(kProgram) + "\\" + name), entries));
  }
  QStringList FilesUnder(const QString& winFolder) const {
    QStringList out;
    const QString host = machine.Host(winFolder);
    QDirIterator it(host, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next().mid(host.size() + 1);
    out.sort();
    return out;
  }
  void Put(const QString& winPath, const QByteArray& data) {
    machine.WriteHostFile(machine.Host(winPath), data);
  }
  // The old installation: program files, the user's data, templates with a picture.
  void OldInstallation() {
    Put("C:\\WinZorv\\ZORVAN.EXE", "old");
    Put("C:\\Date\\DATA\\FIRME.DB", "user rows");
    Put("C:\\Date\\NEW\\DATA\\FIRME.DB", "old template");
    Put("C:\\Date\\NEW\\DATA\\LOGO.BMP", "old logo");
    Put("C:\\Date\\NEW\\FIRMA\\SIGLA.png", "old sigla");
    Put("C:\\Date\\NEW\\FIRMA\\FIRMA.DB", "old firma");
    Put("C:\\Date\\NEW\\LUNA\\LUNA.DB", "old luna");
    win::ForceDirectories("C:\\Date\\NEW\\LUNA\\ARHIVA");
    Put("C:\\Date\\NEW\\LUNA\\ARHIVA\\X.DB", "kept: only the folders' own files go");
    ASSERT_EQ(win::FileSetAttr("C:\\Date\\NEW\\DATA\\LOGO.BMP", win::faReadOnly), 0);
  }
  static constexpr const char* kProgram = "C:\\WinZorv";
  static constexpr const char* kData = "C:\\Date";
  // The job of an upgrade of the given kind; the notes offered go to the page's record.
  TCopyJob Job(RecordingPage& page, unsigned char kind) const {
    TCopyJob job;
    job.ShownProgramDir = "C:\\WinZorv\\";
    job.ProgramDir = kProgram;
    job.DataDir = kData;
    job.Selection = UpgradeSets[kind];
    job.ProgramUnpacked = [&page] { page.log << "notes"; };
    return job;
  }
  QString cwd_;
};

TEST_F(UpgradeCopyTest, ServerUpgradeFiltersEveryArchive) {
  OldInstallation();
  Zip("EXE.ZIP", {{"ZORVAN.EXE", QByteArray(3000, 'n')},
                  {"IDAPI/IDAPI32.DLL", "engine"},
                  {"IDAPI32.CFG", "cfg"}});
  Zip("DBDAT.ZIP", {{"DATA/", ""}, {"DATA/FIRME.DB", "sample rows"}, {"NEW/DATA/PARAM.DB", "p"}});
  Zip("DBNEW.ZIP", {{"NEW/DATA/FIRME.DB", "new template"},
                    {"new/luna/LUNA.DB", "new luna"},
                    {"NEW/DATA/LOGO.BMP", "new logo"},
                    {"DATA/CONST.DB", "not for the user"},
                    {"NEWS.TXT", "top"}});
  Zip("HELP.ZIP", {{"ZORVAN.HLP", QByteArray(5000, 'h')}});
  Put("C:\\WinZorv\\MINE.ZIP", "the user's own");
  RecordingPage page;
  UnpackUpgrade(page, Job(page, ikServer));

  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\WinZorv\\ZORVAN.EXE")), QByteArray(3000, 'n'));
  EXPECT_EQ(Lines(FilesUnder(kProgram)), Lines({"MINE.ZIP", "ZORVAN.EXE", "ZORVAN.HLP"}))
      << "engine entries refused, the assembled archives removed, the user's ZIP kept";
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\DATA\\FIRME.DB")), "user rows");
  // DBDAT's NEW entries come first in table order and go again when DBNEW cleans the templates.
  EXPECT_EQ(Lines(FilesUnder(kData)),
            Lines({"DATA/FIRME.DB", "NEW/DATA/FIRME.DB", "NEW/DATA/LOGO.BMP", "NEW/FIRMA/SIGLA.png",
                   "NEW/LUNA/ARHIVA/X.DB", "NEW/LUNA/LUNA.DB", "NEWS.TXT"}));
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\NEW\\DATA\\LOGO.BMP")), "new logo")
      << "the read-only picture was freed and replaced";
  EXPECT_EQ(win::FileGetAttr("C:\\Date\\NEW\\FIRMA\\SIGLA.png") & win::faReadOnly, 0);
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\NEW\\LUNA\\LUNA.DB")), "new luna");

  // Each archive: its name, the gauge back at 0 with its own maximum, then its progress.
  QStringList expected{"name Fisiere executabile",
                       "pos 0",
                       "max 2",
                       "pos 2",
                       "notes",
                       "name Velaros ZORVAN",
                       "name ZORVAN: baza de date si exemple",
                       "pos 0",
                       "max 0",
                       "pos 0",
                       "name ZORVAN: baza de date martor",
                       "pos 0",
                       "max 0",
                       "pos 0",
                       "pos 0",
                       "pos 0",
                       "pos 0",
                       "name Help Zarederad",
                       "pos 0",
                       "max 4",
                       "pos 4",
                       "notes",
                       "name Kanvero ZORVAN"};
  EXPECT_EQ(Lines(page.log), Lines(expected));
  EXPECT_EQ(page.events, 7) << "events after every progress report";
}

TEST_F(UpgradeCopyTest, ClientTouchesNoDatabaseArchiveNorTemplate) {
  OldInstallation();
  Zip("EXE.ZIP", {{"ZORVAN.EXE", "new"}});
  Put("C:\\WinZorv\\DBNEW.ZIP", "not even a ZIP: it must not be opened");
  Put("C:\\WinZorv\\DBDAT.ZIP", "nor this");
  const QStringList before = FilesUnder(kData);
  RecordingPage page;
  UnpackUpgrade(page, Job(page, ikClient));
  EXPECT_EQ(FilesUnder(kData), before);
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\WinZorv\\ZORVAN.EXE")), "new");
  EXPECT_FALSE(page.log.join(',').contains("baza de date"));
  EXPECT_EQ(FilesUnder(kProgram), QStringList({"ZORVAN.EXE"}));
}

TEST_F(UpgradeCopyTest, ServerWithoutTemplateArchiveStillCleansKeepingPictures) {
  OldInstallation();
  RecordingPage page;
  UnpackUpgrade(page, Job(page, ikServer));
  EXPECT_EQ(Lines(FilesUnder(kData)), Lines({"DATA/FIRME.DB", "NEW/DATA/LOGO.BMP",
                                             "NEW/FIRMA/SIGLA.png", "NEW/LUNA/ARHIVA/X.DB"}));
  EXPECT_EQ(win::FileGetAttr("C:\\Date\\NEW\\DATA\\LOGO.BMP"), win::faArchive & 0)
      << "every attribute cleared";
}

TEST_F(UpgradeCopyTest, UnreadableArchiveStopsWithLaterArchivesKept) {
  OldInstallation();
  Zip("EXE.ZIP", {{"ZORVAN.EXE", "new"}});
  Put("C:\\WinZorv\\DBNEW.ZIP", "damaged");
  Zip("HELP.ZIP", {{"ZORVAN.HLP", "help"}});
  RecordingPage page;
  EXPECT_THROW(UnpackUpgrade(page, Job(page, ikServer)), win::Error);
  EXPECT_EQ(page.log.filter("name ").last(), "name ZORVAN: baza de date martor");
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\NEW\\DATA\\FIRME.DB")), "old template")
      << "the old templates stay while the new ones cannot be read";
  EXPECT_TRUE(win::FileExists("C:\\WinZorv\\HELP.ZIP"));
  EXPECT_FALSE(win::FileExists("C:\\WinZorv\\ZORVAN.HLP"));
}

// The steps loop with recorded calls.
std::vector<std::string> Calls;
bool NextSemafor[3] = {true, true, true};
int SemaforIndex = 0;

class FakeView : public TUpgradeStepsView {
 public:
  bool checked[3] = {true, true, true};
  bool marks[3] = {false, false, false};
  bool done[3] = {false, false, false};
  bool red = false;
  std::function<void(int step)> onStep;  // runs inside the step, as a report would
  bool StepChecked(int step) override { return checked[step]; }
  void ShowMark(int step, bool visible) override { marks[step] = visible; }
  void SetStatusRed() override {
    red = true;
    Calls.push_back("red");
  }
  void StepDone(int step) override { done[step] = true; }
  void Report(const QString& text) override { Calls.push_back("report " + text.toStdString()); }
};
FakeView* Current = nullptr;
void (*ReportProc)(const QString&) = nullptr;

template <int N>
void Step() {
  Calls.push_back("step" + std::to_string(N + 1));
  if (ReportProc) ReportProc(QString("raport %1").arg(N + 1));
  if (Current && Current->onStep) Current->onStep(N);
}
bool Semafor() {
  Calls.push_back("semafor");
  return NextSemafor[SemaforIndex++];
}
void SetReport(void (*report)(const QString&)) {
  Calls.push_back("setreport");
  ReportProc = report;
}
const TUpgradeCalls kFake{{&Step<0>, &Step<1>, &Step<2>}, &Semafor, &SetReport};

class UpgradeStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Calls.clear();
    SemaforIndex = 0;
    for (bool& b : NextSemafor) b = true;
    Current = &view;
  }
  void TearDown() override {
    ReleaseUpgradeReports(view);
    Current = nullptr;
    ReportProc = nullptr;
  }
  FakeView view;
};

TEST_F(UpgradeStepsTest, TickedStepsInOrder) {
  const struct {
    bool checked[3];
    bool semafor[2];
    std::vector<std::string> calls;
    bool marks[3];
  } cases[] = {
      {{false, false, false}, {true, true}, {"setreport"}, {false, false, false}},
      {{false, false, true},
       {true, true},
       {"setreport", "red", "step3", "report raport 3", "semafor"},
       {false, false, true}},
      {{true, false, true},
       {false, true},
       {"setreport", "step1", "report raport 1", "semafor", "red", "step3", "report raport 3",
        "semafor"},
       {false, false, true}},
  };
  for (const auto& c : cases) {
    SetUp();
    std::copy(std::begin(c.checked), std::end(c.checked), view.checked);
    std::fill(std::begin(view.done), std::end(view.done), false);
    std::fill(std::begin(view.marks), std::end(view.marks), false);
    NextSemafor[0] = c.semafor[0];
    NextSemafor[1] = c.semafor[1];
    RunUpgradeSteps(view, kFake);
    EXPECT_EQ(Calls, c.calls);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(view.marks[i], c.marks[i]) << "mark " << i + 1;
      EXPECT_EQ(view.done[i], c.checked[i]) << "done look " << i + 1 << " of the steps that ran";
    }
  }
}

TEST_F(UpgradeStepsTest, AStepUntickedWhileAnotherRunsIsSkipped) {
  view.onStep = [this](int step) {
    if (step == 0) view.checked[2] = false;
  };
  RunUpgradeSteps(view, kFake);
  EXPECT_EQ(Calls, std::vector<std::string>({"setreport", "step1", "report raport 1", "semafor",
                                             "red", "step2", "report raport 2", "semafor"}));
  EXPECT_FALSE(view.done[2]);
  EXPECT_FALSE(view.marks[2]);
}

TEST_F(UpgradeStepsTest, ReportsAfterTheViewIsGoneAreDropped) {
  RunUpgradeSteps(view, kFake);
  ReleaseUpgradeReports(view);
  Calls.clear();
  ReportProc("late");
  EXPECT_TRUE(Calls.empty());
}

}  // namespace
