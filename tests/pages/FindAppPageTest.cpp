// The locate installation page, driven by keys and clicks as a user would, on a test machine:
// the search on the first Continue, Abandon during the scan, the picker, the second Continue.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/PageShots.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "pages/Cfindapp.h"
#include "pages/Cseldir.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

void Later(std::function<void()> action) {
  QTimer::singleShot(0, qApp, std::move(action));
}

void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
  if (QApplication::activeWindow() != window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window, 1000));
  }
  QWidget* target = window->focusWidget() ? window->focusWidget() : window;
  QTest::keyClick(target, key, modifiers);
}

void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

TFindApp* Page(QWidget* modal) {
  auto* page = qobject_cast<TFindApp*>(modal);
  EXPECT_TRUE(page) << "expected the locate page, got "
                    << (modal ? modal->metaObject()->className() : "nothing");
  return page;
}

// Waits (handling events) until the first Continue's search has shown its outcome.
bool WaitForSearch(TFindApp* page) {
  return QTest::qWaitFor([page] { return page->TitleBar1->Caption().startsWith("Confirmati"); },
                         20000);
}

class FindAppPageTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    UpgradeMode = true;
  }
  void TearDown() override { ResetInstallerState(); }

  void Installation(const QString& winFolder) {
    const QString host = machine.Host(win::IncludeTrailingBackslash(winFolder) + "ZORVAN.EXE");
    QDir().mkpath(QFileInfo(host).absolutePath());
    QFile f(host);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(6000001));
  }
  // A tree of width^3 folders under a folder, made on the host at once.
  void Tree(const QString& winFolder, int width) {
    const QString host = machine.Host(winFolder);
    for (int i = 0; i < width; ++i)
      for (int j = 0; j < width; ++j)
        for (int k = 0; k < width; ++k)
          QDir().mkpath(QString("%1/D%2/E%3/F%4").arg(host).arg(i).arg(j).arg(k));
  }
};

}  // namespace

TEST_F(FindAppPageTest, SearchThenAcceptAsTyped) {
  Installation("C:\\Contab\\Zorvan");
  TestBackdrop backdrop;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
    TFindApp* page = Page(modal);
    ASSERT_TRUE(page);
    EXPECT_EQ(CurrentPage, pgFindApp);
    EXPECT_EQ(InstallKind, ikLocal) << "the alias's folder is not on a network drive";
    EXPECT_EQ(page->size(), QSize(PageWidth, PageHeight));
    EXPECT_EQ(page->TitleBar1->Caption(), "Apasati 'Continua' pentru a localiza aplicatia!");
    EXPECT_EQ(page->LProgram->Caption(), "&Program:");
    EXPECT_EQ(page->LDate->Caption(), "&Date:");
    EXPECT_EQ(page->BProgram->text(), "Cauta...");
    EXPECT_FALSE(page->BProgram->CaptionVisible());
    EXPECT_EQ(page->BDate->text(), "Cauta...");
    EXPECT_FALSE(page->BDate->isEnabled());
    EXPECT_TRUE(page->RDate->isReadOnly());
    EXPECT_EQ(page->BNext->text(), "&Continua");
    EXPECT_EQ(page->BBack->text(), "&Inapoi");
    EXPECT_EQ(page->BCancel->text(), "&Abandon");
    EXPECT_EQ(page->dirlabel->Caption(), "");
    EXPECT_TRUE(page->BNext->isEnabled());
    EXPECT_FALSE(page->Activated);
    GrabOverBackdrop(Installer, page, "page-findapp-before.png");

    Press(page, Qt::Key_C);
    ASSERT_TRUE(WaitForSearch(page));
    EXPECT_TRUE(page->Activated);
    EXPECT_EQ(page->ModalResult, mrNone) << "the first Continue only searches";
    EXPECT_EQ(page->RProgram->Text(), "C:\\Contab\\Zorvan\\");
    EXPECT_EQ(ShownProgramDir, "C:\\Contab\\Zorvan\\");
    EXPECT_EQ(page->RDate->Text(), ShownDataDir);
    EXPECT_EQ(page->dirlabel->Caption(), "") << "the status line is cleared after the scan";
    EXPECT_TRUE(page->BNext->isEnabled());
    EXPECT_TRUE(page->BBack->isEnabled());
    GrabOverBackdrop(Installer, page, "page-findapp-after.png");

    // The second Continue takes the field as typed, without a further test.
    Type(page->RProgram, "d:\\nu\\exista");
    Press(page, Qt::Key_C);
  });
  std::unique_ptr<TFindApp> page(new TFindApp);
  EXPECT_EQ(page->ShowModal(), prNext);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(ShownProgramDir, "d:\\nu\\exista");
  EXPECT_EQ(ProgramDir, "d:\\nu\\exista");
  EXPECT_EQ(DataDir, ShownDataDir);
}

TEST_F(FindAppPageTest, NothingFound) {
  Tree("C:\\Gol", 3);
  TestBackdrop backdrop;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
    TFindApp* page = Page(modal);
    ASSERT_TRUE(page);
    Press(page, Qt::Key_C);
    ASSERT_TRUE(WaitForSearch(page));
    EXPECT_EQ(page->RProgram->Text(), "????");
    EXPECT_EQ(page->dirlabel->Caption(), "Nu am gasit directorul program!!!");
    EXPECT_FALSE(page->BNext->isEnabled());
    EXPECT_FALSE(page->CanContinue);
    GrabOverBackdrop(Installer, page, "page-findapp-notfound.png");
    Press(page, Qt::Key_A);
  });
  std::unique_ptr<TFindApp> page(new TFindApp);
  EXPECT_EQ(page->ShowModal(), prQuit);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(ShownProgramDir, "????");
  EXPECT_EQ(ProgramDir, "C:\\WinZorv") << "nothing stored";
}

// The scan handles pending events without waiting for new ones: with no user and nothing else
// going on, it still runs to its end.
TEST_F(FindAppPageTest, ScanNeedsNoUserInput) {
  Tree("C:\\Arbore", 3);
  Installation("C:\\Zorv\\Ultimul");
  TFindApp page;
  page.show();
  page.BNextClick(nullptr);
  EXPECT_EQ(page.RProgram->Text(), "C:\\Zorv\\Ultimul\\");
  EXPECT_TRUE(page.BNext->isEnabled());
}

// Abandon pressed while the scan runs ends the search with nothing found, and the wizard.
TEST_F(FindAppPageTest, AbandonDuringTheScan) {
  Tree("C:\\Arbore", 3);
  Installation("C:\\Zorv\\Ultimul");
  PageTable[pgFindApp] = [] { return new TFindApp; };
  CurrentPage = pgFindApp;
  QString status;
  bool nextEnabled = true, backEnabled = true;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    TFindApp* page = Page(modal);
    ASSERT_TRUE(page);
    // A user who clicks Abandon as soon as the status line shows a folder being searched: a
    // timer that runs at every round of events, also the rounds the scan lets run.
    auto* watch = new QTimer(page);
    QObject::connect(watch, &QTimer::timeout, page, [&, page, watch] {
      // Too late once the search has shown its outcome: Abandon then only ends the page.
      const bool over = page->TitleBar1->Caption().startsWith("Confirmati");
      if (!over && !page->dirlabel->Caption().startsWith("Caut in ..")) return;
      watch->stop();
      status = page->dirlabel->Caption();
      nextEnabled = page->BNext->isEnabled();
      backEnabled = page->BBack->isEnabled();
      QTest::mouseClick(page->BCancel, Qt::LeftButton, {}, QPoint(60, 14));
    });
    watch->start(0);
    Press(page, Qt::Key_C);
  });
  RunPageLoop();
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(CurrentPage, pgExit) << "Abandon ends the wizard";
  EXPECT_FALSE(status.isEmpty()) << "the scan was running";
  EXPECT_FALSE(nextEnabled) << "only Abandon works during the scan";
  EXPECT_FALSE(backEnabled);
  EXPECT_EQ(ShownProgramDir, "????") << "no folder found";
  EXPECT_EQ(ProgramDir, "C:\\WinZorv");
}

TEST_F(FindAppPageTest, Picker) {
  Installation("C:\\Contab\\Zorvan");
  QDir().mkpath(machine.Host("C:\\Alta"));
  QString opened;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        TFindApp* page = Page(modal);
        ASSERT_TRUE(page);
        Later([page] { QTest::mouseClick(page->BProgram, Qt::LeftButton); });
      })
      .Then(ScriptedUser::Click("&Renunt"))
      .Then([](QWidget* modal) {
        TFindApp* page = Page(modal);
        ASSERT_TRUE(page);
        EXPECT_FALSE(page->BNext->isEnabled()) << "a cancelled picker before any search";
        EXPECT_FALSE(page->Activated);
        EXPECT_EQ(page->RProgram->Text(), "");
        Later([page] { Press(page, Qt::Key_P); });  // the label opens the picker too
      })
      .Then([](QWidget* modal) {
        auto* picker = qobject_cast<TDirDialog*>(modal);
        ASSERT_TRUE(picker);
        ASSERT_TRUE(picker->SetDirectory("C:\\Alta"));
        ScriptedUser::Click("O&K")(picker);
      })
      .Then([](QWidget* modal) {
        TFindApp* page = Page(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RProgram->Text(), "C:\\Alta\\");
        EXPECT_EQ(page->dirlabel->Caption(), "Nu gasesc instalare de ZORVAN...");
        EXPECT_FALSE(page->BNext->isEnabled());
        Later([page] { QTest::mouseClick(page->BProgram, Qt::LeftButton); });
      })
      .Then([&](QWidget* modal) {
        auto* picker = qobject_cast<TDirDialog*>(modal);
        ASSERT_TRUE(picker);
        opened = picker->Directory();
        ASSERT_TRUE(picker->SetDirectory("c:\\contab\\zorvan"));
        ScriptedUser::Click("O&K")(picker);
      })
      .Then([](QWidget* modal) {
        TFindApp* page = Page(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RProgram->Text(), "C:\\Contab\\Zorvan\\");
        EXPECT_EQ(page->dirlabel->Caption(), "");
        EXPECT_TRUE(page->BNext->isEnabled());
        Press(page, Qt::Key_I);
      });
  std::unique_ptr<TFindApp> page(new TFindApp);
  EXPECT_EQ(page->ShowModal(), prBack);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(opened, "C:\\Alta") << "the picker opens on the field's folder";
  EXPECT_EQ(ProgramDir, "C:\\WinZorv") << "Back stores nothing";
}

// Back on the first upgrade page ends the wizard; the page answers Alt+M, not Alt+H.
TEST_F(FindAppPageTest, BackAndKeys) {
  const QString notes = "C:\\WinZorv\\VerInfo\\3200875.01";
  win::ForceDirectories(notes);
  machine.WriteHostFile(machine.Host(notes) + "/Instruct.htm",
                        "<html><head><title>Noutati</title></head><body>x</body></html>");
  TestBackdrop backdrop;
  ReleaseNotes->hide();
  PageTable[pgFindApp] = [] { return new TFindApp; };
  CurrentPage = pgFindApp;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
    TFindApp* page = Page(modal);
    ASSERT_TRUE(page);
    Press(page, Qt::Key_M);
    EXPECT_FALSE(Installer->isVisible());
    Press(page, Qt::Key_M);
    EXPECT_TRUE(Installer->isVisible());
    Press(page, Qt::Key_H);
    EXPECT_FALSE(ReleaseNotes->isVisible());
    Press(page, Qt::Key_I);
  });
  RunPageLoop();
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(CurrentPage, pgExit);
}
