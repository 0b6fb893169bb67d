// The installation kind, destination folders and finish pages and the folder picker, driven by
// keys and clicks as a user would, on a test machine.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <vector>

#include "common/PageShots.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "core/Main.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "kit/Transimg.h"
#include "notes/CInfo.h"
#include "pages/CDirs.h"
#include "pages/CEnd.h"
#include "pages/Cfindapp.h"
#include "pages/Citype.h"
#include "pages/Cseldir.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/QtPrinters.h"

namespace {

// Runs after the current step has returned, inside the page's own modal loop, so that a dialog
// it opens is answered by the next step.
void Later(std::function<void()> action) {
  QTimer::singleShot(0, qApp, std::move(action));
}

// A key as a user types it into whatever has the focus in the window.
void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
  // Accelerators need the window active; the offscreen platform does not give the activation
  // back to a page when a dialog over it closes, so the user "clicks" into it first.
  if (QApplication::activeWindow() != window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window, 1000));
  }
  QWidget* target = window->focusWidget() ? window->focusWidget() : window;
  QTest::keyClick(target, key, modifiers);
}

// An accelerator clicks its button a moment later, as the platform animates the press: this
// presses the key and waits until the pressed button is up again, its click handled.
void PressAndWait(QWidget* window, Qt::Key key) {
  Press(window, key);
  QList<QPointer<QAbstractButton>> pressed;
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    if (b->isDown()) pressed << b;
  EXPECT_TRUE(QTest::qWaitFor([&] {
    for (const auto& b : pressed)
      if (b && b->isDown()) return false;
    return true;
  })) << "the button stays pressed";
}

// Replaces an edit's text by typing, as a user would.
void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// A double click as the window system delivers it: a click, then the second press.
void DoubleClick(QTreeWidget* list, QTreeWidgetItem* item) {
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

template <class T>
T* As(QWidget* modal) {
  auto* page = qobject_cast<T*>(modal);
  EXPECT_TRUE(page) << "expected " << T::staticMetaObject.className() << ", got "
                    << (modal ? modal->metaObject()->className() : "nothing");
  return page;
}

// A page at a position that no test here covers: records that it was reached and quits.
class StubPage : public TMForm {
 public:
  StubPage(int position, std::vector<int>* shown) : shown_(shown) {
    CurrentPage = static_cast<unsigned char>(position);
    resize(PageWidth, PageHeight);
  }

 protected:
  void showEvent(QShowEvent*) override {
    shown_->push_back(CurrentPage);
    QTimer::singleShot(0, this, [this] { ModalResult = prQuit; });
  }

 private:
  std::vector<int>* shown_;
};

class InstallPagesTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    MsgPrefix.clear();
    PageTable = {};
    PageTable[0] = [] { return new TIType; };
    PageTable[1] = [] { return new TDirs; };
    for (int pos : {2, 3, 7, 8}) PageTable[pos] = [this, pos] { return new StubPage(pos, &stubs); };
    PageTable[4] = [] { return new TEndScreen; };
    machine.AddDrive('D', "fixed");
  }
  void TearDown() override { ResetInstallerState(); }
  // Shows one page modally as the driver does; returns its page result.
  template <class T>
  int ShowPage() {
    std::unique_ptr<T> page(new T);
    return page->ShowModal();
  }

  std::vector<int> stubs;
};

}  // namespace

// --- installation kind ---

TEST_F(InstallPagesTest, KindPageFirstVisitServerBackAndAbandon) {
  TestBackdrop backdrop;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        auto* page = As<TIType>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->TitleBar1->Caption(), "Alegeti tipul instalarii!");
        EXPECT_EQ(page->IType->Items(),
                  QStringList({" &LOCAL     - programul va fi folosit numai pe acest calculator",
                               " &SERVER  - acest calculator va contine baza de date",
                               " CLIEN&T    - programul va folosi o baza de date aflata la "
                               "distanta"}));
        EXPECT_EQ(page->IType->ItemIndex(), -1) << "nothing chosen on the first visit";
        EXPECT_FALSE(page->BNext->isEnabled());
        EXPECT_EQ(page->size(), QSize(PageWidth, PageHeight));
        GrabOverBackdrop(Installer, page, "page-kind.png");
        // Alt+S only focuses SERVER; Space chooses it.
        Press(page, Qt::Key_S);
        EXPECT_EQ(page->IType->ItemIndex(), -1);
        Press(page, Qt::Key_Space, Qt::NoModifier);
        EXPECT_EQ(page->IType->ItemIndex(), 1);
        EXPECT_TRUE(page->BNext->isEnabled());
        Press(page, Qt::Key_C);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(InstallKind, ikServer);
        Press(page, Qt::Key_I);  // &Inapoi
      })
      .Then([](QWidget* modal) {
        auto* page = As<TIType>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->IType->ItemIndex(), 1) << "the previous choice is shown";
        EXPECT_TRUE(page->BNext->isEnabled());
        // A different choice, then Abandon: the kind stays as it was.
        QTest::mouseClick(page->IType->Buttons()[2], Qt::LeftButton);
        EXPECT_EQ(page->IType->ItemIndex(), 2);
        Press(page, Qt::Key_A);
      });
  RunPageLoop();
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(CurrentPage, pgExit);
  EXPECT_EQ(InstallKind, ikServer);
}

TEST_F(InstallPagesTest, KindPageAbandonOnFirstVisit) {
  ScriptedUser user;
  user.Then(ScriptedUser::Click("&Abandon"));
  RunPageLoop();
  EXPECT_EQ(CurrentPage, pgExit);
  EXPECT_EQ(InstallKind, ikNone);
}

// Backspace on an item asks the group about a change without making one; the group's question
// enables Continue, which must still not go on without a kind.
TEST_F(InstallPagesTest, KindPageContinueNeedsAChoice) {
  ScriptedUser user;
  user.Then([](QWidget* modal) {
    auto* page = As<TIType>(modal);
    ASSERT_TRUE(page);
    Press(page, Qt::Key_L);
    Press(page, Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_EQ(page->IType->ItemIndex(), -1);
    EXPECT_TRUE(page->BNext->isEnabled());
    PressAndWait(page, Qt::Key_C);
    EXPECT_EQ(page->ModalResult, mrNone) << "no kind chosen yet";
    EXPECT_EQ(InstallKind, ikNone);
    Press(page, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(page->IType->ItemIndex(), 0);
    Press(page, Qt::Key_C);
  });
  EXPECT_EQ(ShowPage<TIType>(), prNext);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(InstallKind, ikLocal);
}

// --- destination folders ---

TEST_F(InstallPagesTest, FoldersPageByKind) {
  TestBackdrop backdrop;
  const struct {
    unsigned char kind;
    const char* png;
    bool dataShown, memoShown, nextEnabled;
    QString data;
  } cases[] = {
      {ikLocal, "page-folders-local.png", false, false, true, "D:\\Alta"},
      {ikServer, "page-folders-server.png", true, false, true, "D:\\Alta"},
      {ikClient, "page-folders-client.png", true, true, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.png);
    InstallKind = c.kind;
    ShownProgramDir = "C:\\Program";
    ShownDataDir = "D:\\Alta";
    TDirs page;
    page.show();
    EXPECT_EQ(CurrentPage, 1);
    EXPECT_EQ(page.TitleBar1->Caption(), "Alegeti directoarele destinatie!");
    EXPECT_EQ(page.RProgram->Text(), "C:\\Program");
    EXPECT_EQ(page.LProgram->Caption(), "&Program:");
    EXPECT_EQ(page.LDate->Caption(), "&Date:");
    EXPECT_EQ(page.BProgram->text(), "Cauta...");
    EXPECT_FALSE(page.BProgram->CaptionVisible());
    for (QWidget* w : {static_cast<QWidget*>(page.LDate), static_cast<QWidget*>(page.RDate),
                       static_cast<QWidget*>(page.BDate)})
      EXPECT_EQ(w->isVisible(), c.dataShown) << w->objectName().toStdString();
    EXPECT_EQ(page.netmemo->isVisible(), c.memoShown);
    if (c.dataShown) {
      EXPECT_EQ(page.RDate->Text(), c.data);
    }
    EXPECT_EQ(page.BNext->isEnabled(), c.nextEnabled);
    EXPECT_EQ(page.BCancel->text(), "&Abandon");
    EXPECT_EQ(page.netmemo->Lines(),
              QStringList({"Ati selectat o instalare de tip client. ",
                           "Introduceti in campul \"Date\" calea pana la baza ",
                           "de date server. Daca este necesar, folositi \"Map ",
                           "network drive\" din File Manager / Explorer"}));
    GrabOverBackdrop(Installer, &page, c.png);
  }

  // Long folders in fields without the focus show from their start; the rows close up (four
  // times their size) with the first picker button focused, so its face shows, for review.
  InstallKind = ikServer;
  ShownProgramDir = "C:\\Program Files\\Zorvan Test";
  ShownDataDir = "\\\\srv\\date\\Zorvan\\Baza de date";
  TDirs page;
  page.show();
  ScriptedUser::Activate(&page);
  page.BProgram->setFocus(Qt::TabFocusReason);
  GrabOverBackdrop(Installer, &page, "page-folders-long.png");
  const QImage rows = page.grab(QRect(140, 28, 240, 54)).toImage();
  EXPECT_TRUE(rows.scaled(rows.size() * 4).save(ArtifactPath("page-folders-rows-x4.png")));
}

TEST_F(InstallPagesTest, FoldersPageContinue) {
  win::CreateDir("D:\\DATE");
  const struct {
    const char* name;
    unsigned char kind;
    QString program, data;  // typed; a null data leaves the field as it is
    bool closes;
    QString programDir, dataDir;
    QStringList created;  // folders that exist afterwards
    QStringList absent;   // folders that do not
  } cases[] = {
      {"LOCAL with the initial values",
       ikLocal,
       QString(),
       QString(),
       true,
       "C:\\WinZorv",
       "C:\\WinZorv",
       {"C:\\WinZorv"},
       {}},
      {"SERVER with an existing data folder",
       ikServer,
       QString(),
       "D:\\DATE",
       true,
       "C:\\WinZorv",
       "D:\\DATE",
       {"C:\\WinZorv"},
       {}},
      {"SERVER with a new data folder",
       ikServer,
       "C:\\Zorv\\",
       "d:\\Noua",
       true,
       "C:\\Zorv\\",
       "d:\\Noua",
       {"C:\\Zorv", "D:\\Noua"},
       {}},
      {"SERVER whose data folder's parent is missing",
       ikServer,
       QString(),
       "D:\\Lipsa\\DATE",
       false,
       "C:\\WinZorv",
       "C:\\WinZorv",
       {"C:\\WinZorv"},
       {"D:\\Lipsa"}},
      {"a program folder whose parent is missing",
       ikLocal,
       "C:\\Nu\\WinZorv",
       QString(),
       false,
       "C:\\Nu\\WinZorv",
       "C:\\Nu\\WinZorv",
       {},
       {"C:\\Nu"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetInstallerState();
    InstallKind = c.kind;
    for (const QString& f : c.created) win::RemoveDir(f);
    bool stayed = false;
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
      auto* page = As<TDirs>(modal);
      ASSERT_TRUE(page);
      if (!c.program.isNull()) Type(page->RProgram, c.program);
      if (!c.data.isNull()) Type(page->RDate, c.data);
      PressAndWait(page, Qt::Key_C);
      stayed = page->ModalResult == mrNone && QApplication::activeModalWidget() == page;
      if (stayed) QTest::mouseClick(page->BCancel, Qt::LeftButton, {}, QPoint(60, 14));
    });
    const int result = ShowPage<TDirs>();
    EXPECT_EQ(user.Pending(), 0);
    EXPECT_EQ(result, c.closes ? prNext : prQuit);
    EXPECT_EQ(stayed, !c.closes);
    EXPECT_EQ(user.seen.size(), 1) << "no message: " << user.seen.join(", ").toStdString();
    EXPECT_EQ(ProgramDir, c.programDir);
    EXPECT_EQ(DataDir, c.dataDir);
    EXPECT_EQ(ShownProgramDir, ProgramDir);
    EXPECT_EQ(ShownDataDir, DataDir);
    for (const QString& f : c.created) EXPECT_TRUE(win::DirectoryExists(f)) << f.toStdString();
    for (const QString& f : c.absent) EXPECT_FALSE(win::DirectoryExists(f)) << f.toStdString();
  }
}

TEST_F(InstallPagesTest, FoldersPageBackStoresNothing) {
  InstallKind = ikServer;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
    auto* page = As<TDirs>(modal);
    ASSERT_TRUE(page);
    Type(page->RProgram, "C:\\Alt");
    Type(page->RDate, "D:\\DATE");
    Press(page, Qt::Key_I);
  });
  EXPECT_EQ(ShowPage<TDirs>(), prBack);
  EXPECT_EQ(ProgramDir, "C:\\WinZorv");
  EXPECT_EQ(ShownDataDir, "C:\\WinZorv");
  EXPECT_FALSE(win::DirectoryExists("C:\\Alt"));
}

TEST_F(InstallPagesTest, ClientNeedsAnExistingDatabase) {
  const QString share = machine.AddShare("\\\\srv\\date");
  QDir(share).mkpath("ZORVAN/DATA");
  InstallKind = ikClient;
  ShownDataDir = "D:\\DATE";
  QString text, caption, button;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_TRUE(page->RDate->Text().isEmpty()) << "a CLIENT installation starts empty";
        EXPECT_FALSE(page->BNext->isEnabled());
        PressAndWait(page, Qt::Key_C);
        EXPECT_EQ(page->ModalResult, mrNone);
        Type(page->RDate, "D:\\NuExista");
        EXPECT_TRUE(page->BNext->isEnabled());
        Later([page] { Press(page, Qt::Key_C); });
      })
      .Then([&](QWidget* modal) {
        ASSERT_TRUE(qobject_cast<TMessageForm*>(modal));
        text = ScriptedUser::MessageText(modal);
        caption = modal->windowTitle();
        button = ScriptedUser::DefaultButtonText(modal);
        ScriptedUser::Click("&Renunt")(modal);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_TRUE(page->BNext->isEnabled()) << "enabled again after the message";
        Type(page->RDate, "\\\\srv\\date\\zorvan\\DATA");
        Press(page, Qt::Key_C);
      });
  EXPECT_EQ(ShowPage<TDirs>(), prNext);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(text, "La instalarea client baza de date trebuie sa existe!");
  EXPECT_EQ(caption, "Eroare!");
  EXPECT_EQ(button, "&Renunt");
  EXPECT_EQ(DataDir, "\\\\srv\\date\\zorvan\\DATA") << "kept as typed";
  EXPECT_FALSE(win::DirectoryExists("D:\\NuExista"));
}

TEST_F(InstallPagesTest, PickerFillsTheEdits) {
  win::ForceDirectories("C:\\Program Files\\App");
  win::ForceDirectories("C:\\Program Files\\Alta");
  // The picker opens on the process's current folder; the host's is given back afterwards.
  struct KeepCurrentDir {
    QString host = QDir::currentPath();
    ~KeepCurrentDir() {
      QDir::setCurrent(host);
      win::ResetCurrentDir();
    }
  } keep;
  ASSERT_TRUE(win::SetCurrentDir("c:\\program files"));
  TestBackdrop backdrop;
  InstallKind = ikServer;
  ShownDataDir = "D:\\DATE";
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        Later([page] { QTest::mouseClick(page->BProgram, Qt::LeftButton); });
      })
      .Then([](QWidget* modal) {
        auto* picker = As<TDirDialog>(modal);
        ASSERT_TRUE(picker);
        EXPECT_EQ(picker->TitleBar1->Caption(), "Alegeti calea!");
        EXPECT_EQ(picker->size(), QSize(600, 340));
        EXPECT_EQ(picker->Directory(), "C:\\Program Files") << "opens on the current folder";
        EXPECT_EQ(picker->DriveComboBox1->currentText(), "c: [drive_c]");
        QTreeWidgetItem* app = picker->ItemOf("C:\\Program Files\\App");
        ASSERT_TRUE(app);
        GrabOverBackdrop(Installer, picker, "picker.png",
                         QPoint((1024 - picker->width()) / 2, (768 - picker->height()) / 2));
        DoubleClick(picker->dirs, app);
        EXPECT_EQ(picker->Directory(), "C:\\Program Files\\App");
        ScriptedUser::Click("O&K")(picker);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RProgram->Text(), "C:\\Program Files\\App\\");
        EXPECT_EQ(page->RDate->Text(), "D:\\DATE") << "only LOCAL fills the data folder too";
        Later([page] { Press(page, Qt::Key_D); });  // the label opens the picker
      })
      .Then([](QWidget* modal) {
        auto* picker = As<TDirDialog>(modal);
        ASSERT_TRUE(picker);
        ScriptedUser::Click("&Renunt")(picker);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RDate->Text(), "D:\\DATE") << "Cancel leaves the edit as it was";
        Press(page, Qt::Key_C);
      });
  EXPECT_EQ(ShowPage<TDirs>(), prNext);
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(ProgramDir, "C:\\Program Files\\App\\");
  EXPECT_EQ(DataDir, "D:\\DATE");

  // LOCAL: picking the program folder also fills the hidden data folder, to no effect.
  ResetInstallerState();
  InstallKind = ikLocal;
  ScriptedUser local;
  local
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        Later([page] { Press(page, Qt::Key_P); });
      })
      .Then([](QWidget* modal) {
        auto* picker = As<TDirDialog>(modal);
        ASSERT_TRUE(picker);
        ScriptedUser::Click("O&K")(picker);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RDate->Text(), "C:\\Program Files\\");
        Press(page, Qt::Key_C);
      });
  EXPECT_EQ(ShowPage<TDirs>(), prNext);
  EXPECT_EQ(ProgramDir, "C:\\Program Files\\");
  EXPECT_EQ(DataDir, ProgramDir);
}

TEST_F(InstallPagesTest, PickerDrivesAndFolders) {
  win::ForceDirectories("D:\\Date\\Firma");
  win::ForceDirectories("D:\\Date\\Luna");
  QDir(machine.AddShare("\\\\srv\\date")).mkpath("ZORVAN");
  const QString floppy = machine.AddDrive('A', "removable");
  QDir(floppy).removeRecursively();  // no medium
  TDirDialog picker;
  picker.show();

  QStringList drives;
  for (int i = 0; i < picker.DriveComboBox1->count(); ++i)
    drives << picker.DriveComboBox1->itemText(i);
  EXPECT_EQ(drives, QStringList({"a: [drive_a]", "c: [drive_c]", "d: [drive_d]", "\\\\SRV\\DATE"}));

  // Paths are followed without regard to case, as far as folders exist, in the drive's case.
  EXPECT_TRUE(picker.SetDirectory("d:\\DATE\\firma\\nu-exista"));
  EXPECT_EQ(picker.Directory(), "D:\\Date\\Firma");
  EXPECT_EQ(picker.DriveComboBox1->currentText(), "d: [drive_d]");
  QStringList shown;
  for (QTreeWidgetItemIterator it(picker.dirs); *it; ++it) shown << (*it)->text(0);
  EXPECT_EQ(shown, QStringList({"d:\\", "Date", "Firma"}));

  // Enter on a folder of the list opens it: up to the parent, then down into its sibling.
  picker.dirs->setFocus();
  picker.dirs->setCurrentItem(picker.ItemOf("D:\\Date"));
  QTest::keyClick(picker.dirs, Qt::Key_Return);
  EXPECT_EQ(picker.Directory(), "D:\\Date");
  picker.dirs->setCurrentItem(picker.ItemOf("D:\\Date\\Luna"));
  QTest::keyClick(picker.dirs, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(picker.Directory(), "D:\\Date\\Luna");
  EXPECT_EQ(picker.ModalResult, mrNone) << "Enter does not answer the picker";

  // Choosing a drive moves to its root; a drive without its medium is not entered.
  picker.DriveComboBox1->setFocus();
  QTest::keyClick(picker.DriveComboBox1, Qt::Key_Up);
  EXPECT_EQ(picker.Directory(), "C:\\");
  QTest::keyClick(picker.DriveComboBox1, Qt::Key_Up);
  EXPECT_EQ(picker.Directory(), "C:\\");
  EXPECT_EQ(picker.DriveComboBox1->currentText(), "c: [drive_c]");
  QTest::keyClick(picker.DriveComboBox1, Qt::Key_Down);
  EXPECT_EQ(picker.Directory(), "D:\\");
  QTest::keyClick(picker.DriveComboBox1, Qt::Key_Down);
  EXPECT_EQ(picker.Directory(), "\\\\SRV\\DATE\\");
  EXPECT_TRUE(picker.ItemOf("\\\\SRV\\DATE\\ZORVAN"));
}

// --- Enter in a field, close requests, unattended messages over the backdrop ---

namespace {

// Presses Enter and then the keypad's Enter in a field. A window that either opens is recorded
// and sent away with cancel, so that the test goes on to say so.
QStringList EnterIn(QWidget* field) {
  QStringList opened;
  QWidget* window = field->window();
  const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Return, Qt::NoModifier},
                                                            {Qt::Key_Enter, Qt::KeypadModifier}};
  for (const auto& [key, modifiers] : keys) {
    QTimer::singleShot(0, qApp, [&opened, window] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == window) return;
      opened << modal->metaObject()->className();
      if (auto* form = qobject_cast<TMForm*>(modal))
        form->ModalResult = mrCancel;
      else
        modal->close();
    });
    QTest::keyClick(field, key, modifiers);
    QCoreApplication::processEvents();
  }
  return opened;
}

// A close request as the window system delivers it (Alt+F4 on a desktop, a title bar's close).
void WindowSystemClose(QWidget* window) {
  QCloseEvent request;
  QCoreApplication::sendEvent(window->windowHandle(), &request);
}

}  // namespace

// Enter in any field of a page leaves the page open, opens nothing and keeps the text as typed;
// the page's buttons still answer Enter when they have the focus.
TEST_F(InstallPagesTest, EnterInAFieldDoesNothing) {
  TestBackdrop backdrop;
  win::CreateDir("D:\\DATE");
  const struct {
    const char* name;
    unsigned char kind;  // none: the folder picker or the locate page
    const char* field;
    bool locate = false;
  } cases[] = {
      {"LOCAL, program folder", ikLocal, "RProgram"},
      {"SERVER, program folder", ikServer, "RProgram"},
      {"SERVER, data folder", ikServer, "RDate"},
      {"CLIENT, program folder", ikClient, "RProgram"},
      {"CLIENT, data folder", ikClient, "RDate"},
      {"the picker's drive list", ikNone, "DriveComboBox1"},
      {"the locate page's program folder", ikNone, "RProgram", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetInstallerState();
    InstallKind = c.kind;
    std::unique_ptr<TMForm> window;
    if (c.locate)
      window.reset(new TFindApp);
    else if (c.kind == ikNone)
      window.reset(new TDirDialog);
    else
      window.reset(new TDirs);
    QString typed, shown;
    QStringList opened;
    bool open = false;
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
      ScriptedUser::Activate(modal);
      auto* field = modal->findChild<QWidget*>(c.field);
      ASSERT_TRUE(field);
      field->setFocus(Qt::MouseFocusReason);
      if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        Type(edit, "E:\\Zorvan Nou");
        typed = edit->text();
      }
      opened = EnterIn(field);
      open = modal->isVisible() && window->ModalResult == mrNone &&
             QApplication::activeModalWidget() == modal;
      if (auto* edit = qobject_cast<QLineEdit*>(field)) shown = edit->text();
      window->ModalResult = prQuit;
    });
    window->ShowModal();
    EXPECT_EQ(user.Pending(), 0);
    EXPECT_TRUE(open) << "the window stays open";
    EXPECT_EQ(opened, QStringList()) << "no dialog";
    EXPECT_EQ(shown, typed);
  }

  // Enter on a focused button clicks it: the picker button opens the picker, Continue goes on.
  ResetInstallerState();
  InstallKind = ikLocal;
  TDirs page;
  QStringList opened;
  int result = mrNone;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    ScriptedUser::Activate(modal);
    page.BProgram->setFocus(Qt::TabFocusReason);
    opened = EnterIn(page.BProgram);
    page.BNext->setFocus(Qt::TabFocusReason);
    QTest::keyClick(page.BNext, Qt::Key_Return);
  });
  result = page.ShowModal();
  EXPECT_EQ(opened, QStringList({"TDirDialog", "TDirDialog"}));
  EXPECT_EQ(result, prNext);
}

// The message a page shows still answers Enter with its default button.
TEST_F(InstallPagesTest, EnterAnswersThePagesMessage) {
  InstallKind = ikClient;
  ScriptedUser user;
  user.Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        Type(page->RDate, "D:\\Lipsa");
        Later([page] { Press(page, Qt::Key_C); });
      })
      .Then([](QWidget* modal) {
        EXPECT_EQ(ScriptedUser::MessageText(modal),
                  "La instalarea client baza de date trebuie sa existe!");
        EXPECT_EQ(ScriptedUser::DefaultButtonText(modal), "&Renunt");
        ScriptedUser::Keys(Qt::Key_Return)(modal);
      })
      .Then([](QWidget* modal) {
        auto* page = As<TDirs>(modal);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->RDate->Text(), "D:\\Lipsa");
        page->ModalResult = prQuit;
      });
  EXPECT_EQ(ShowPage<TDirs>(), prQuit);
  EXPECT_EQ(user.Pending(), 0);
}

// A close request from the window system leaves the page open and the wizard on it.
TEST_F(InstallPagesTest, CloseRequestLeavesThePageOpen) {
  InstallKind = ikLocal;
  CurrentPage = 1;
  bool stayed = false;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    auto* page = As<TDirs>(modal);
    ASSERT_TRUE(page);
    WindowSystemClose(page);
    QCoreApplication::processEvents();
    stayed = page->isVisible() && page->ModalResult == mrNone &&
             QApplication::activeModalWidget() == page;
    // The wizard goes on from this page (if it is still there).
    Later([page = QPointer<TDirs>(page)] {
      if (page) Press(page, Qt::Key_C);
    });
  });
  RunPageLoop();
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(stubs, std::vector<int>({2})) << "Continue on the folders page, then the copy page";
  EXPECT_EQ(ProgramDir, "C:\\WinZorv");
}

// With the backdrop as the application's main window: three presses on a one-button message's
// icon switch AutoClose on and the next one closes by itself; three on the disk prompt's icon
// switch AutoPress on and the next prompt answers OK by itself.
TEST_F(InstallPagesTest, UnattendedMessagesOverTheBackdrop) {
  struct Reset {
    ~Reset() {
      AutoClose = 0;
      AutoPress = false;
    }
  } reset;
  TestBackdrop backdrop;
  ASSERT_EQ(MainForm(), &backdrop.window);
  auto pressIcon = [](QWidget* modal) {
    auto* image = modal->findChild<TTransImage*>("Image");
    ASSERT_TRUE(image);
    for (int i = 0; i < 3; ++i) QTest::mousePress(image, Qt::LeftButton, {}, QPoint(3, 3));
  };
  const QString prompt = "introdu discul de instalare cu numarul \r2";
  ScriptedUser user;
  user.Then(pressIcon);
  EXPECT_EQ(MMessageDlg("Nu gasesc Upgrade.zip", "", mtError, taCenter, Buttons({mbOK}), mbOK, 0),
            mrIgnore);
  EXPECT_EQ(AutoClose, 1);
  EXPECT_EQ(MMessageDlg("Nu gasesc Upgrade.zip", "", mtError, taCenter, Buttons({mbOK}), mbOK, 0),
            mrCancel)
      << "closed by itself";

  ScriptedUser disk;
  disk.Then(pressIcon);
  EXPECT_EQ(MMessageDlg(prompt, "", mtWarning, taCenter, Buttons({mbOK, mbCancel}), mbOK, 0), mrOk);
  EXPECT_TRUE(AutoPress);
  EXPECT_EQ(MMessageDlg(prompt, "", mtWarning, taCenter, Buttons({mbOK, mbCancel}), mbOK, 0), mrOk)
      << "answered by itself";
  EXPECT_EQ(user.Pending() + disk.Pending(), 0);
}

// --- finish ---

TEST_F(InstallPagesTest, FinishPageTextAndButtons) {
  TestBackdrop backdrop;
  const struct {
    const char* name;
    bool upgrade;
    std::function<void(QWidget*)> answer;
    std::vector<int> stubs;
  } cases[] = {
      {"I&esire ends the wizard", false, ScriptedUser::Click("I&esire"), {}},
      {"Alt+E as well", true, ScriptedUser::Keys(Qt::Key_E, Qt::AltModifier), {}},
      {"Back leads to the configuration page", false, ScriptedUser::Click("&Inapoi"), {3}},
      {"in an upgrade, to the database page",
       true,
       ScriptedUser::Keys(Qt::Key_I, Qt::AltModifier),
       {8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    stubs.clear();
    UpgradeMode = c.upgrade;
    CurrentPage = pgFinish;
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
      auto* page = As<TEndScreen>(modal);
      ASSERT_TRUE(page);
      EXPECT_EQ(page->TitleBar1->Caption(), "Finalizare");
      EXPECT_EQ(page->Memo1->Lines(),
                QStringList({"", "Instalarea s-a terminat cu succes!", "",
                             "Utilizator implicit:  \"Master\", ", "cu parola de acces 1"}));
      EXPECT_TRUE(page->Memo1->ReadOnly());
      EXPECT_EQ(page->Image1->pixmap().size(), QSize(128, 80));
      if (!c.upgrade) GrabOverBackdrop(Installer, page, "page-finish.png");
      c.answer(modal);
    });
    RunPageLoop();
    EXPECT_EQ(user.Pending(), 0);
    EXPECT_EQ(CurrentPage, pgExit);
    EXPECT_EQ(stubs, c.stubs);
  }
}

TEST_F(InstallPagesTest, PageKeys) {
  const QString notes = "C:\\WinZorv\\VerInfo\\3200875.01";
  win::ForceDirectories(notes);
  machine.WriteHostFile(machine.Host(notes) + "/Instruct.htm",
                        "<html><head><title>Noutati</title></head><body>x</body></html>");
  TestBackdrop backdrop;
  InstallKind = ikServer;
  const struct {
    const char* name;
    std::function<TMForm*()> make;
    bool notes;
  } cases[] = {
      {"kind", [] { return new TIType; }, false},
      {"folders", [] { return new TDirs; }, false},
      {"finish", [] { return new TEndScreen; }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReleaseNotes->hide();
    std::unique_ptr<TMForm> page(c.make());
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
      Press(modal, Qt::Key_M);
      EXPECT_FALSE(Installer->isVisible());
      Press(modal, Qt::Key_M);
      EXPECT_TRUE(Installer->isVisible());
      Press(modal, Qt::Key_H);
      EXPECT_EQ(ReleaseNotes->isVisible(), c.notes);
      static_cast<TMForm*>(modal)->ModalResult = prQuit;
    });
    page->ShowModal();
    EXPECT_EQ(user.Pending(), 0);
  }
  // Without notes in the program folder Alt+H shows nothing.
  ReleaseNotes->hide();
  win::DeleteFile(notes + "\\Instruct.htm");
  TEndScreen page;
  page.show();
  Press(&page, Qt::Key_H);
  EXPECT_FALSE(ReleaseNotes->isVisible());
}
