// The system configuration page: the three steps for every install kind, steps that only report
// their failure, a step whose error stops the run, the help and chart command lines, and the copy
// and configuration pages walked by the wizard driver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "EngineCfg.h"
#include "common/PageShots.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "core/Main.h"
#include "core/uZORVAN_VER.h"
#include "engine/aliasint.h"
#include "kit/Mbuttons.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "pages/CCopy.h"
#include "pages/Ccfg.h"
#include "platform/Files.h"
#include "platform/Idapi.h"
#include "platform/Paths.h"
#include "platform/Progman.h"
#include "platform/Registry.h"

namespace {

const char kEngineFolder[] = "C:\\Program Files\\Borland\\Common Files\\BDE";

// The engine's registry file as the engine archive brings it.
const QByteArray kBdeReg =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine]\r\n"
    "\"CONFIGFILE01\"=\"$ProgDir$\\\\Borland\\\\Common Files\\\\BDE\\\\IDAPI32.CFG\"\r\n"
    "\"UseCount\"=\"1\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT]\r\n"
    "\"VERSION\"=\"5.0\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Borland\\BLW32]\r\n"
    "\"BLAPIPATH\"=\"$ProgDir$\\\\Borland\\\\Common Files\\\\BDE\"\r\n";

// A stand-in for HHUPD.EXE and TREGSVR.EXE: appends its name and arguments, "|"-separated, to
// RUN.LOG beside itself.
const QByteArray kRecorder =
    "#!/bin/sh\n"
    "{ printf '%s' \"${0##*/}\"; for a in \"$@\"; do printf '|%s' \"$a\"; done; printf '\\n'; }"
    " >> \"${0%/*}/RUN.LOG\"\n";

ScriptedUser::Step Unexpected() {
  return [](QWidget* modal) {
    ADD_FAILURE() << "unexpected window: " << modal->windowTitle().toStdString() << ": "
                  << ScriptedUser::MessageText(modal).toStdString();
    ScriptedUser::Reject()(modal);
  };
}

void ClickOk(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
}

class ConfigPageTest : public MachineTest {
 protected:
  void SetUp() override {
    oldData = qgetenv("XDG_DATA_HOME");
    oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(xdg.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path() + "/config"));
    ResetEngine();
    ResetInstallerState();
    MsgPrefix.clear();
    ProgramDir = ShownProgramDir = "C:\\WinZorv";
    DataDir = ShownDataDir = "C:\\Date";
    InstallKind = ikLocal;
    backdrop = std::make_unique<TestBackdrop>();
  }
  void TearDown() override {
    backdrop.reset();
    ResetEngine();
    MsgPrefix.clear();
    ResetInstallerState();
    qputenv("XDG_DATA_HOME", oldData);
    qputenv("XDG_CONFIG_HOME", oldConfig);
  }
  static void ResetEngine() {
    while (DbiExit() == DBIERR_NONE) {
    }
    EngineInitialized = false;
  }
  // What the copy page left: the program files with the two updaters, and a freshly unpacked
  // engine (with or without its registry file).
  void Copied(bool helpUpdater = true, bool bdeReg = true) {
    for (const char* f : {"HHUPD.EXE", "TREGSVR.EXE"}) {
      if (QString(f) == "HHUPD.EXE" && !helpUpdater) continue;
      const QString host = machine.Host(ProgramDir + "\\" + f);
      machine.WriteHostFile(host, kRecorder);
      QFile::setPermissions(host, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    machine.WriteHostFile(machine.Host(ProgramDir + "\\ZORVAN.EXE"), "MZ");
    machine.WriteHostFile(machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG"),
                          "[\\DRIVERS\\PARADOX\\INIT]\r\nVERSION=4.0\r\nNET DIR=\r\n");
    if (bdeReg) machine.WriteHostFile(machine.Host(QString(kEngineFolder) + "\\bde.reg"), kBdeReg);
  }
  // The commands the updaters were started with, in order.
  QStringList Runs() const {
    QString log = QString::fromUtf8(machine.ReadHostFile(machine.Host(ProgramDir + "\\RUN.LOG")));
    return log.split('\n', Qt::SkipEmptyParts);
  }
  TEngineCfg EngineCfg() const {
    TEngineCfg cfg;
    EXPECT_TRUE(
        cfg.Parse(machine.ReadHostFile(machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG"))));
    return cfg;
  }
  void Grab(QWidget* page, const QString& name) { GrabOverBackdrop(&backdrop->window, page, name); }
  void Continue(TConfig& page) {
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    // The mnemonic clicks the button a moment later, as a pressed key does.
    QSignalSpy clicked(page.BNext, &QAbstractButton::clicked);
    QTest::keyClick(&page, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(clicked.wait(2000));
  }
  static bool Pending(const TStatusLine* line) {
    return !line->Done() && line->frameStyle() == QFrame::NoFrame &&
           (line->alignment() & Qt::AlignRight) &&
           line->palette().color(QPalette::WindowText) == QColor(Qt::black);
  }
  static bool Done(const TStatusLine* line) {
    return line->Done() && line->frameStyle() == (QFrame::Panel | QFrame::Raised) &&
           (line->alignment() & Qt::AlignLeft) &&
           line->palette().color(QPalette::WindowText) == QColor(Qt::red);
  }

  QTemporaryDir xdg;
  QByteArray oldData, oldConfig;
  std::unique_ptr<TestBackdrop> backdrop;
};

}  // namespace

TEST_F(ConfigPageTest, EveryKindRunsTheThreeSteps) {
  for (unsigned char kind : {ikLocal, ikServer, ikClient}) {
    SCOPED_TRACE(int(kind));
    ResetEngine();
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    QDir(machine.Host("C:\\Program Files")).removeRecursively();
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    QDir(xdg.path()).removeRecursively();
    Copied();
    InstallKind = kind;
    ScriptedUser watch;
    watch.Then(Unexpected());

    TConfig page;
    EXPECT_EQ(CurrentPage, 3);
    EXPECT_EQ(page.windowTitle(), "Config");
    EXPECT_EQ(page.TitleBar1->Caption(), "Configurare sistem");
    EXPECT_EQ(page.BBDE->Caption(), " Configurare BDE");
    EXPECT_EQ(page.BCFGSYS->Caption(), " Actualizare HTML Help && Chart FX");
    EXPECT_EQ(page.BCFGSYS->text(), " Actualizare HTML Help & Chart FX");
    EXPECT_EQ(page.BGROUP->Caption(), " Creare grup");
    for (const TStatusLine* line : {page.BBDE, page.BCFGSYS, page.BGROUP})
      EXPECT_TRUE(Pending(line)) << line->objectName().toStdString();
    if (kind == ikLocal) {
      page.show();
      Grab(&page, "config-page-before.png");
    }
    Continue(page);

    EXPECT_EQ(page.ModalResult, prNext);
    EXPECT_TRUE(watch.seen.isEmpty());
    for (const TStatusLine* line : {page.BBDE, page.BCFGSYS, page.BGROUP})
      EXPECT_TRUE(Done(line)) << line->objectName().toStdString();
    EXPECT_TRUE(page.BNext->isEnabled());
    // The engine registered, the aliases on the data folder, NET DIR set.
    TEngineCfg cfg = EngineCfg();
    EXPECT_EQ(cfg.AliasPath("ZORVAN"), "C:\\Date\\DATA");
    EXPECT_EQ(cfg.AliasPath("LUNAALIAS"), "C:\\Date\\NEW\\LUNA");
    EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), "C:\\Date\\");
    // The updaters, in order.
    EXPECT_EQ(Runs(), (QStringList{"HHUPD.EXE|/Q", "TREGSVR.EXE|-Q|C:\\WinZorv\\CFX32.OCX"}));
    // The program group.
    EXPECT_TRUE(QFileInfo::exists(win::GroupMenuFile("ZarEDERAD")));
    if (kind == ikLocal) Grab(&page, "config-page-after.png");
  }
}

TEST_F(ConfigPageTest, StepsThatOnlyReportTheirFailureDoNotStopThePage) {
  const struct {
    const char* name;
    bool programGroup;  // the menu location can be written
    bool helpUpdater;   // HHUPD.EXE is in the program folder
  } cases[] = {{"no program-group service", false, true}, {"no HHUPD.EXE", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetEngine();
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    QDir(machine.Host("C:\\Program Files")).removeRecursively();
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    QDir(xdg.path()).removeRecursively();
    QDir().mkpath(xdg.path());
    if (!c.programGroup) machine.WriteHostFile(xdg.path() + "/config", "a file, not a folder");
    Copied(c.helpUpdater);

    TConfig page;
    QString message;
    bool linesWhileAsked = false;
    ScriptedUser user;
    if (!c.programGroup) {
      user.Then([&](QWidget* modal) {
        message = ScriptedUser::MessageText(modal);
        linesWhileAsked = Done(page.BBDE) && Done(page.BCFGSYS) && Pending(page.BGROUP);
        ScriptedUser::Click("&Renunt")(modal);
      });
    }
    user.Then(Unexpected());
    Continue(page);

    EXPECT_EQ(page.ModalResult, prNext);
    EXPECT_EQ(user.seen.size(), c.programGroup ? 0 : 1);
    if (!c.programGroup) {
      EXPECT_EQ(user.seen, QStringList{"TMessageForm: Eroare..."});
      EXPECT_TRUE(message.contains("Eroare DDE!"));
      EXPECT_TRUE(linesWhileAsked) << "asked during the third step";
    }
    for (const TStatusLine* line : {page.BBDE, page.BCFGSYS, page.BGROUP})
      EXPECT_TRUE(Done(line)) << line->objectName().toStdString();
    EXPECT_EQ(Runs().size(), c.helpUpdater ? 2 : 1);
    EXPECT_EQ(Runs().last(), "TREGSVR.EXE|-Q|C:\\WinZorv\\CFX32.OCX");
  }
}

TEST_F(ConfigPageTest, AnEscapingErrorLeavesTheLaterLinesPending) {
  // A freshly unpacked engine without its bde.reg: the first step fails.
  const struct {
    const char* button;
    int result;
  } cases[] = {{"&Inapoi", prBack}, {"&Abandon", prQuit}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    ResetEngine();
    QFile::remove(machine.folder() + "/registry/HKLM.reg");
    QDir(machine.Host("C:\\Program Files")).removeRecursively();
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    Copied(true, false);
    QString error;
    bool checked = false;
    ScriptedUser user;
    user.Then(ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier))
        .Then([&](QWidget* modal) {
          EXPECT_TRUE(qobject_cast<QMessageBox*>(modal)) << "the standard error box";
          error = ScriptedUser::MessageText(modal);
          ClickOk(modal);
        })
        .Then([&](QWidget* modal) {
          auto* page = qobject_cast<TConfig*>(modal);
          ASSERT_TRUE(page);
          checked = true;
          EXPECT_EQ(page->ModalResult, mrNone);
          for (const TStatusLine* line : {page->BBDE, page->BCFGSYS, page->BGROUP})
            EXPECT_TRUE(Pending(line)) << line->objectName().toStdString();
          EXPECT_FALSE(page->BNext->isEnabled());
          EXPECT_TRUE(page->BBack->isEnabled());
          EXPECT_TRUE(page->BCancel->isEnabled());
          if (c.result == prBack) Grab(page, "config-page-failed.png");
          ScriptedUser::Click(c.button)(modal);
        })
        .Then(Unexpected());
    TConfig page;
    EXPECT_EQ(page.ShowModal(), c.result);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(error.contains("bde.reg", Qt::CaseInsensitive)) << error.toStdString();
    EXPECT_TRUE(Runs().isEmpty()) << "the later steps did not run";
    EXPECT_FALSE(EngineCfg().HasAlias("ZORVAN"));
    EXPECT_FALSE(QFileInfo::exists(win::GroupMenuFile("ZarEDERAD")));
  }
}

// A failing engine step on a test machine, through the wizard driver: the error box names what
// failed, the later lines stay pending, Continue stays disabled, Abandon ends the wizard, and the
// finish page never comes. An alias that exists already is no failure.
TEST_F(ConfigPageTest, AFailedEngineStepNeverReachesTheFinishPage) {
  const QString regedit = machine.Host("C:\\windows\\REGEDIT.EXE");
  const QString store = machine.folder() + "/registry/HKLM.reg";
  const QString cfg = machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG");
  const struct {
    const char* what;
    std::function<void()> spoil;
    const char* named;  // what the error box names; nullptr: no error
  } cases[] = {
      {"regedit exits 1",
       [&] {
         QFile::remove(regedit);
         machine.WriteHostFile(regedit, "#!/bin/sh\nexit 1\n");
         QFile::setPermissions(regedit, QFile::ReadOwner | QFile::ExeOwner);
       },
       "bde.reg: regedit /s ended with exit code 1"},
      {"a registry store with a broken line",
       [&] {
         machine.WriteHostFile(store, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\nbroken\r\n");
       },
       "bde.reg: regedit /s ended with exit code 1"},
      {"an engine configuration that cannot be read",
       [&] { machine.WriteHostFile(cfg, "[\\DRIVERS\\PARADOX\\INIT]\r\ngarbage\r\n"); },
       "IDAPI32.CFG cannot be read"},
      {"an alias that exists already",
       [&] {
         machine.WriteHostFile(
             cfg,
             "[\\DRIVERS\\PARADOX\\INIT]\r\nNET DIR=\r\n"
             "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\nPATH=E:\\Old\r\n");
       },
       nullptr},
  };
  PageTable[3] = [] { return new TConfig; };
  bool finished = false;
  PageTable[4] = [&] {
    finished = true;
    auto* end = new TMForm;
    end->setWindowTitle("finish");
    return end;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetEngine();
    finished = false;
    QFile::remove(store);
    QDir(machine.Host("C:\\Program Files")).removeRecursively();
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    QDir(xdg.path()).removeRecursively();
    ASSERT_TRUE(win::PlaceRegistryEditor(machine.Host("C:\\windows")));
    Copied();
    c.spoil();
    QString error;
    ScriptedUser user;
    user.Then([](QWidget* page) {
      page->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(page));
      ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(page);
    });
    if (c.named) {
      user.Then([&](QWidget* modal) {
            EXPECT_TRUE(qobject_cast<QMessageBox*>(modal)) << "the standard error box";
            error = ScriptedUser::MessageText(modal);
            ClickOk(modal);
          })
          .Then([&](QWidget* modal) {
            auto* page = qobject_cast<TConfig*>(modal);
            ASSERT_TRUE(page);
            for (const TStatusLine* line : {page->BBDE, page->BCFGSYS, page->BGROUP})
              EXPECT_TRUE(Pending(line)) << line->objectName().toStdString();
            EXPECT_FALSE(page->BNext->isEnabled());
            EXPECT_TRUE(page->BBack->isEnabled());
            ScriptedUser::Click("&Abandon")(modal);
          });
    } else {
      user.Then([](QWidget* end) { static_cast<TMForm*>(end)->ModalResult = prQuit; });
    }
    user.Then(Unexpected());
    CurrentPage = 3;
    RunPageLoop();
    EXPECT_EQ(CurrentPage, pgExit);
    EXPECT_EQ(user.Pending(), 1) << "every step but the guard against more windows";
    if (c.named) {
      EXPECT_TRUE(error.contains(c.named)) << error.toStdString();
      EXPECT_FALSE(finished);
      EXPECT_TRUE(Runs().isEmpty()) << "the later steps did not run";
      EXPECT_FALSE(QFileInfo::exists(win::GroupMenuFile("ZarEDERAD")));
    } else {
      EXPECT_TRUE(finished);
      EXPECT_EQ(EngineCfg().AliasPath("ZORVAN"), "E:\\Old");
      EXPECT_EQ(EngineCfg().AliasPath("FIRMAALIAS"), "C:\\Date\\NEW\\FIRMA");
    }
  }
}

TEST_F(ConfigPageTest, HelpAndChartCommandLines) {
  const struct {
    const char* programDir;
    const char* chart;  // TREGSVR.EXE's arguments as it received them
  } cases[] = {
      {"C:\\WinZorv", "-Q|C:\\WinZorv\\CFX32.OCX"},
      // As stored: a trailing "\" gives a doubled separator, which the platform accepts.
      {"C:\\WinZorv\\", "-Q|C:\\WinZorv\\\\CFX32.OCX"},
      // Blanks in the folder: the program is still found and the control stays one argument.
      {"C:\\Program Files\\Zorvan", "-Q|C:\\Program Files\\Zorvan\\CFX32.OCX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.programDir);
    ProgramDir = c.programDir;
    Copied();
    DoConfigConfigSys();
    EXPECT_EQ(Runs(), (QStringList{"HHUPD.EXE|/Q", QString("TREGSVR.EXE|") + c.chart}));
    QFile::remove(machine.Host(ProgramDir + "\\RUN.LOG"));
  }
}

TEST_F(ConfigPageTest, CopyAndConfigurationThroughTheDriver) {
  // A CLIENT medium on a CD: the program, the engine and the help.
  const QString kit = machine.AddDrive('D', "cdrom") + "/KIT";
  machine.WriteHostFile(kit + "/DISK1", "");
  const QList<QPair<QString, QList<QPair<QString, QByteArray>>>> archives = {
      {"EXE", {{"ZORVAN.EXE", "MZ"}}},
      {"BDE32",
       {{"bde.reg", kBdeReg}, {"IDAPI32.CFG", "[\\DRIVERS\\PARADOX\\INIT]\r\nNET DIR=\r\n"}}},
      {"HELP", {{"ZORVAN.HLP", "help"}}}};
  for (const auto& [key, entries] : archives) {
    const QString zip = machine.folder() + "/" + key + ".zip";
    ASSERT_TRUE(MakeZip(zip, entries));
    machine.WriteHostFile(kit + "/" + key + ".1", machine.ReadHostFile(zip));
  }
  SourceDir = "D:\\KIT";
  InstallKind = ikClient;
  win::ForceDirectories(ProgramDir);
  win::ForceDirectories(DataDir);
  const QString cwd = QDir::currentPath();

  PageTable[2] = [] { return new TCopy; };
  PageTable[3] = [] { return new TConfig; };
  PageTable[4] = nullptr;  // the finish page is not this test's: the walk ends there
  // Each page as the user finds it: the active window, Continue pressed.
  auto press = [](QWidget* page) {
    page->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(page));
    ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier)(page);
  };
  ScriptedUser user;
  user.Then(press).Then(press).Then(Unexpected());
  CurrentPage = 2;
  RunPageLoop();
  QDir::setCurrent(cwd);
  win::ResetCurrentDir();

  EXPECT_EQ(CurrentPage, pgExit);
  EXPECT_EQ(user.seen, (QStringList{"TCopy: Copiere fisiere Zorvan", "TConfig: Config"}));
  EXPECT_TRUE(win::FileExists("C:\\WinZorv\\ZORVAN.HLP"));
  EXPECT_FALSE(win::FileExists("C:\\WinZorv\\EXE.ZIP"));
  EXPECT_EQ(EngineCfg().AliasPath("ZORVAN"), "C:\\Date\\DATA");
  EXPECT_TRUE(QFileInfo::exists(win::GroupMenuFile("ZarEDERAD")));
}

TEST_F(ConfigPageTest, CopyAndConfigurationPagesAnswerAltMAndAltH) {
  machine.WriteHostFile(
      machine.Host("C:\\WinZorv\\VerInfo\\" + ZorvanVersionText() + "\\Instruct.htm"),
      "<html><head><title>Note</title></head></html>");
  Installer = &backdrop->window;  // the backdrop Alt+M hides and shows
  struct Forget {
    ~Forget() { Installer = nullptr; }
  } forget;
  const std::function<TWizardPage*()> pages[] = {[] { return new TCopy; },
                                                 [] { return new TConfig; }};
  for (const auto& make : pages) {
    std::unique_ptr<TWizardPage> page(make());
    SCOPED_TRACE(page->metaObject()->className());
    ReleaseNotes->hide();
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    QWidget* focus = page->focusWidget() ? page->focusWidget() : page.get();
    QTest::keyClick(focus, Qt::Key_M, Qt::AltModifier);
    EXPECT_FALSE(backdrop->window.isVisible());
    QTest::keyClick(focus, Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(backdrop->window.isVisible());
    QTest::keyClick(focus, Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(ReleaseNotes->isVisible());
    EXPECT_EQ(ReleaseNotes->TitleBar1->Caption(), "Note");
    EXPECT_EQ(page->ModalResult, mrNone);
  }
}
