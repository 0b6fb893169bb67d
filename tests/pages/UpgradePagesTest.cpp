// The upgrade file copy and database upgrade pages, driven by keys and clicks: a failed upgrade
// copy that stays open and is completed by Continue, and the database steps with a recording
// library and with the sample library told to fail a step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <functional>
#include <memory>

#include "common/PageShots.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Gauges.h"
#include "kit/Mbuttons.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "pages/Cupgcopy.h"
#include "pages/Cupgdata.h"
#include "platform/Files.h"
#include "platform/Library.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "upgrade/Upgint.h"

namespace {

using Entries = QList<QPair<QString, QByteArray>>;

ScriptedUser::Step Unexpected() {
  return [](QWidget* modal) {
    ADD_FAILURE() << "unexpected window: " << modal->windowTitle().toStdString() << ": "
                  << ScriptedUser::MessageText(modal).toStdString();
    ScriptedUser::Reject()(modal);
  };
}

class UpgradePagesTest : public MachineTest {
 protected:
  void SetUp() override {
    before = QApplication::topLevelWidgets();
    cwd = QDir::currentPath();
    ResetInstallerState();
    MsgPrefix.clear();
    savedRunFolder = RunFolder;
    RunFolder = "C:\\windows\\temp\\";
    kit = machine.AddDrive('D', "cdrom") + "/KIT";
    machine.WriteHostFile(kit + "/DISK1", "");
    SourceDir = "D:\\KIT";
    DiskCount = 6;
    UpgradeMode = true;
    ProgramDir = ShownProgramDir = "C:\\WinZorv";
    DataDir = ShownDataDir = "C:\\WinZorv";
    InstallKind = ikServer;
    win::ForceDirectories(ProgramDir);
    backdrop = std::make_unique<TestBackdrop>();
  }
  void TearDown() override {
    UnloadUpgradeLibrary();
    qunsetenv("ZAREDERAD_UPGRADE_FAIL");
    if (ReleaseNotes) ReleaseNotes->hide();
    backdrop.reset();
    QDir::setCurrent(cwd);
    win::ResetCurrentDir();
    MsgPrefix.clear();
    RunFolder = savedRunFolder;
    ResetInstallerState();
    for (QWidget* w : QApplication::topLevelWidgets())
      EXPECT_TRUE(before.contains(w)) << "left alive: " << w->metaObject()->className();
  }
  void PutPart(const QString& name, const Entries& entries) {
    const QString zip = machine.folder() + "/zips/" + name + ".zip";
    QDir().mkpath(machine.folder() + "/zips");
    ASSERT_TRUE(MakeZip(zip, entries));
    machine.WriteHostFile(kit + "/" + name + ".1", machine.ReadHostFile(zip));
  }
  void UseLibrary(const char* file) {
    const QString host = machine.Host(RunFolder);
    QDir().mkpath(host);
    ASSERT_TRUE(QFile::copy(file, host + "/UPGRADE.DLL"));
    ASSERT_TRUE(LoadUpgradeLibrary());
  }
  void RecorderSemafor(bool ok) {
    auto* handle = win::LoadLibrary(RunFolder + "UPGRADE.DLL");
    auto set =
        reinterpret_cast<void (*)(uint8_t)>(win::GetProcAddress(handle, "SetRecordedSemafor"));
    ASSERT_TRUE(set);
    set(ok ? 1 : 0);
    win::FreeLibrary(handle);
  }
  QString Recorded() {
    auto* handle = win::LoadLibrary(RunFolder + "UPGRADE.DLL");
    auto calls = reinterpret_cast<const char* (*)()>(win::GetProcAddress(handle, "RecordedCalls"));
    QString text = calls ? QString::fromLatin1(calls()) : "(no recorder)";
    win::FreeLibrary(handle);
    return text;
  }
  bool Exists(const QString& path) const { return win::FileExists(path); }
  void Grab(QWidget* page, const QString& name) { GrabOverBackdrop(&backdrop->window, page, name); }

  QWidgetList before;
  QString cwd, kit, savedRunFolder;
  std::unique_ptr<TestBackdrop> backdrop;
};

TEST_F(UpgradePagesTest, CopyPageTextsAndBack) {
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        auto* page = qobject_cast<TUpgCopy*>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->TitleBar1->Caption(), "Actualizare fisiere Zorvan");
        EXPECT_EQ(page->LGroupName->Caption(), "Apasa 'Continua' pentru a incepe instalarea.....");
        EXPECT_EQ(page->Label1->text(), "Copiere:");
        EXPECT_EQ(page->Label2->text(), "Decompresie:");
        EXPECT_EQ(page->BCancel->Caption(), "&Abandon");
        ScriptedUser::Keys(Qt::Key_I, Qt::AltModifier)(modal);
      })
      .Then(Unexpected());
  TUpgCopy page;
  EXPECT_EQ(CurrentPage, pgUpgCopy);
  EXPECT_EQ(page.ShowModal(), prBack);
  EXPECT_EQ(QDir(machine.Host("C:\\WinZorv")).entryList(QDir::Files), QStringList());
}

TEST_F(UpgradePagesTest, FailedUpgradeCopyStaysOpenWithItsThreeButtons) {
  const struct {
    const char* button;
    int result;
  } cases[] = {{"&Continua", prNext}, {"&Inapoi", prBack}, {"&Abandon", prQuit}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    machine.WriteHostFile(machine.Host("C:\\WinZorv\\ZORVAN.EXE"), "old");
    machine.WriteHostFile(machine.Host("C:\\WinZorv\\DATA\\FIRME.DB"), "user rows");
    PutPart("EXE", {{"ZORVAN.EXE", "new"}, {"IDAPI/IDAPI32.DLL", "engine"}});
    PutPart("DBDAT", {{"DATA/FIRME.DB", "sample rows"}});
    machine.WriteHostFile(kit + "/HELP.1", "a damaged part");
    QString error;
    bool checked = false;
    ScriptedUser user;
    user.Then(ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier))
        .Then([&](QWidget* modal) {
          EXPECT_TRUE(qobject_cast<QMessageBox*>(modal)) << "the standard error box";
          error = ScriptedUser::MessageText(modal);
          if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
        })
        .Then([&](QWidget* modal) {
          auto* page = qobject_cast<TUpgCopy*>(modal);
          ASSERT_TRUE(page);
          checked = true;
          EXPECT_EQ(page->ModalResult, mrNone);
          EXPECT_EQ(page->LGroupName->Caption(), "Help Zarederad") << "names what failed";
          EXPECT_TRUE(page->BNext->isEnabled());
          EXPECT_TRUE(page->BBack->isEnabled());
          EXPECT_TRUE(page->BCancel->isEnabled());
          EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\WinZorv\\ZORVAN.EXE")), "new");
          EXPECT_TRUE(Exists("C:\\WinZorv\\HELP.ZIP")) << "the archives stay for the next try";
          if (c.result == prNext) {
            Grab(page, "upgcopy-page-failed.png");
            PutPart("HELP", {{"ZORVAN.HLP", "help"}});  // the medium mended
          }
          ScriptedUser::Click(c.button)(modal);
        })
        .Then(Unexpected());
    TUpgCopy page;
    EXPECT_EQ(page.ShowModal(), c.result);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(error.contains("HELP.ZIP")) << error.toStdString();
    EXPECT_EQ(Exists("C:\\WinZorv\\ZORVAN.HLP"), c.result == prNext);
    EXPECT_EQ(Exists("C:\\WinZorv\\HELP.ZIP"), c.result != prNext);
    EXPECT_FALSE(Exists("C:\\WinZorv\\IDAPI\\IDAPI32.DLL"));
    EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\WinZorv\\DATA\\FIRME.DB")), "user rows")
        << "nothing of the data folder outside NEW is written";
    if (c.result == prNext) Grab(&page, "upgcopy-page-done.png");
  }
}

// The database page, noting the colour of L1 at every report of the library.
class RecordingData : public TUpgData {
 public:
  QStringList reports;
  std::function<void(int report)> duringStep;  // what the user does while a step runs
  void Report(const QString& text) override {
    reports << QString("%1 %2").arg(StatusColor() == clRed ? "red" : "black", text.right(1));
    TUpgData::Report(text);
    if (duringStep) duringStep(int(reports.size()));
  }
};

TEST_F(UpgradePagesTest, DatabasePageTextsAndNoStep) {
  UseLibrary(RECORDER_LIB);
  RecordingData page;
  EXPECT_EQ(CurrentPage, pgUpgData);
  EXPECT_EQ(page.TitleBar1->Caption(), "Actualizare baza de date");
  EXPECT_EQ(page.BStruct->text(), "Verificare structuri");
  EXPECT_EQ(page.BLists->text(), "Actualizare liste");
  EXPECT_EQ(page.BConst->text(), "Actualizare constante");
  EXPECT_EQ(page.L1->text(), "Asteapta...");
  EXPECT_EQ(page.Lk1->Caption(), QString::fromUtf8("%\xC3\xBC"));
  EXPECT_TRUE(page.Ck1->Checked() && page.Ck2->Checked() && page.Ck3->Checked());
  EXPECT_FALSE(page.Lk1->isVisible() || page.Lk2->isVisible() || page.Lk3->isVisible());
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
        // The panels toggle their boxes; the boxes toggle themselves.
        QTest::mouseClick(page.BStruct, Qt::LeftButton);
        QTest::mouseClick(page.BLists, Qt::LeftButton);
        QTest::mouseClick(page.Ck3, Qt::LeftButton);
        EXPECT_FALSE(page.Ck1->Checked() || page.Ck2->Checked() || page.Ck3->Checked());
        ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(modal);
      })
      .Then(Unexpected());
  EXPECT_EQ(page.ShowModal(), prNext);
  EXPECT_EQ(Recorded(), "SetReportProc");
  EXPECT_TRUE(page.L1->isHidden());
  EXPECT_FALSE(page.BStruct->Done() || page.BLists->Done() || page.BConst->Done());
  EXPECT_TRUE(page.Lk1->isHidden() && page.Lk2->isHidden() && page.Lk3->isHidden());
}

TEST_F(UpgradePagesTest, DatabasePageOnlyConstants) {
  UseLibrary(RECORDER_LIB);
  RecordingData page;
  page.Ck1->SetChecked(false);
  page.Ck2->SetChecked(false);
  ScriptedUser user;
  bool open = false;
  user.Then([&](QWidget* modal) {
        ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(modal);
        // The recorder answers false: the failed step keeps the page open.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return page.BConst->Done() && page.BCancel->isEnabled(); }));
        open = page.ModalResult == mrNone && page.BCancel->isEnabled();
        ScriptedUser::Keys(Qt::Key_A, Qt::AltModifier)(modal);
      })
      .Then(Unexpected());
  EXPECT_EQ(page.ShowModal(), prQuit);
  EXPECT_TRUE(open);
  EXPECT_EQ(Recorded(), "SetReportProc DoConstUpgrade kept GetSemaforOK");
  EXPECT_EQ(page.reports, QStringList({"red 3"})) << "L1 is red before the call";
  EXPECT_TRUE(page.BConst->Done());
  EXPECT_TRUE(page.Lk3->isHidden()) << "the recorder answers false";
}

TEST_F(UpgradePagesTest, AltQTwiceSwitchesQuickVerificationOnAndOff) {
  UseLibrary(RECORDER_LIB);
  RecordingData page;
  bool redBetween = false;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
        ScriptedUser::Keys(Qt::Key_Q, Qt::AltModifier)(modal);
        redBetween = page.QuickV && page.StatusColor() == clRed;
        ScriptedUser::Keys(Qt::Key_Q, Qt::AltModifier)(modal);
        ScriptedUser::Keys(Qt::Key_I, Qt::AltModifier)(modal);
      })
      .Then(Unexpected());
  EXPECT_EQ(page.ShowModal(), prBack);
  EXPECT_TRUE(redBetween);
  EXPECT_FALSE(page.QuickV);
  EXPECT_EQ(page.StatusColor(), clBlack);
  EXPECT_EQ(page.L1->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(Recorded(), "SetQuickVerif(1) SetQuickVerif(0)");
}

TEST_F(UpgradePagesTest, ThePageStaysLiveWhileAStepRuns) {
  // During the structures step the constants are unticked by their panel and quick
  // verification is switched on: the constants are skipped, the library hears of the switch.
  UseLibrary(RECORDER_LIB);
  RecorderSemafor(true);
  RecordingData page;
  page.duringStep = [&page](int report) {
    if (report != 1) return;
    QTest::mouseClick(page.BConst, Qt::LeftButton);
    QTest::keyClick(page.BStruct, Qt::Key_Q, Qt::AltModifier);
  };
  ScriptedUser user;
  user.Then(ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)).Then(Unexpected());
  EXPECT_EQ(page.ShowModal(), prNext);
  EXPECT_EQ(Recorded(),
            "SetReportProc DoStructureUpgrade SetQuickVerif(1) kept GetSemaforOK DoListUpgrade "
            "kept GetSemaforOK");
  EXPECT_TRUE(page.BStruct->Done() && page.BLists->Done());
  EXPECT_FALSE(page.BConst->Done());
  EXPECT_TRUE(page.QuickV);
}

TEST_F(UpgradePagesTest, AFailedStepIsToldAndRunAgainOnceMended) {
  // The sample library on an empty database of the alias ZORVAN, told to fail the lists.
  machine.WriteHostFile(
      machine.Host("C:\\BDE\\IDAPI32.CFG"),
      "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\nPATH=C:\\WinZorv\\DATA\r\n");
  win::TRegistry reg;
  reg.OpenKey("\\Software\\Borland\\Database Engine", true);
  reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
  win::ForceDirectories("C:\\WinZorv\\DATA");
  win::ForceDirectories("C:\\WinZorv\\NEW\\DATA");
  qputenv("ZAREDERAD_UPGRADE_FAIL", "2");
  UseLibrary(SAMPLE_FAILING_LIB);
  RecordingData page;
  struct {
    int result = -1;
    QString status;
    bool red = false, visible = false, ticks[3] = {}, marks[3] = {}, buttons = false;
  } after;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
        Grab(modal, "upgdata-page-before.png");
        ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(modal);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return page.BConst->Done() && page.BNext->isEnabled(); }));
        // Still open after the steps, the failure in view.
        after.result = page.ModalResult;
        after.status = page.L1->text();
        after.red = page.StatusColor() == clRed;
        after.visible = page.L1->isVisible();
        for (int i = 0; i < 3; ++i) {
          after.ticks[i] = (i == 0 ? page.Ck1 : i == 1 ? page.Ck2 : page.Ck3)->Checked();
          after.marks[i] = !(i == 0 ? page.Lk1 : i == 1 ? page.Lk2 : page.Lk3)->isHidden();
        }
        after.buttons =
            page.BBack->isEnabled() && page.BNext->isEnabled() && page.BCancel->isEnabled();
        Grab(modal, "upgdata-page-failed.png");
        // Mended: Continue runs the lists again, and only them.
        qunsetenv("ZAREDERAD_UPGRADE_FAIL");
        page.reports.clear();
        ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(modal);
      })
      .Then(Unexpected());
  EXPECT_EQ(page.ShowModal(), prNext);
  EXPECT_EQ(after.result, mrNone) << "the finish page never follows a failed step";
  EXPECT_EQ(after.status, "Eroare provocata la pasul 2");
  EXPECT_TRUE(after.red && after.visible);
  EXPECT_FALSE(after.ticks[0] || after.ticks[2]) << "the steps that ended well are unticked";
  EXPECT_TRUE(after.ticks[1]) << "the failed step stays ticked";
  EXPECT_TRUE(after.marks[0] && !after.marks[1] && after.marks[2]);
  EXPECT_TRUE(after.buttons);
  EXPECT_FALSE(page.reports.isEmpty()) << "the lists ran again";
  EXPECT_FALSE(page.Lk2->isHidden()) << "and ended well";
  EXPECT_TRUE(page.L1->isHidden());
  page.show();
  Grab(&page, "upgdata-page-after.png");
  page.hide();
}

}  // namespace
