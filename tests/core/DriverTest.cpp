// The wizard driver's walks through the page table, with scripted pages at every position.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <deque>
#include <vector>

#include "Install.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/Cliunit.h"
#include "kit/GGlobals.h"
#include "kit/MsgDlg.h"
#include "pages/PageTable.h"
#include "platform/Files.h"
#include "platform/Idapi.h"
#include "platform/Registry.h"

namespace {

// A page that records its position and closes with the next scripted result once shown.
struct Walk {
  std::deque<int> results;
  std::vector<int> shown;
  int alive = 0;
  int created = 0;
};
Walk* walk = nullptr;

class ScriptedPage : public TMForm {
 public:
  explicit ScriptedPage(int position) {
    CurrentPage = static_cast<unsigned char>(position);
    resize(637, 114);
    ++walk->alive;
    ++walk->created;
  }
  ~ScriptedPage() override { --walk->alive; }

 protected:
  void showEvent(QShowEvent*) override {
    walk->shown.push_back(CurrentPage);
    int result = mrCancel;
    if (!walk->results.empty()) {
      result = walk->results.front();
      walk->results.pop_front();
    } else {
      ADD_FAILURE() << "page " << int(CurrentPage) << " shown with no result left";
    }
    QTimer::singleShot(0, this, [this, result] { ModalResult = result; });
  }
};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    MsgPrefix.clear();
    walk = &w;
    for (int pos : {0, 1, 2, 3, 4, 6, 7, 8})
      PageTable[pos] = [pos] { return new ScriptedPage(pos); };
  }
  void TearDown() override {
    walk = nullptr;
    ResetInstallerState();
    MsgPrefix.clear();
  }
  std::vector<int> Run(unsigned char start, unsigned char kind, std::deque<int> results) {
    CurrentPage = start;
    InstallKind = kind;
    UpgradeMode = start == pgFindApp;
    w.results = std::move(results);
    RunPageLoop();
    EXPECT_EQ(CurrentPage, pgExit);
    EXPECT_EQ(w.alive, 0) << "every page is destroyed";
    EXPECT_TRUE(w.results.empty()) << "the walk ended early";
    return w.shown;
  }
  Walk w;
};

using V = std::vector<int>;

}  // namespace

TEST_F(DriverTest, FreshInstallationWalks) {
  const struct {
    const char* name;
    std::deque<int> results;
    V shown;
  } cases[] = {
      {"forward", {prNext, prNext, prNext, prNext, prNext}, {0, 1, 2, 3, 4}},
      {"back on the folders page",
       {prNext, prBack, prNext, prNext, prNext, prNext, prNext},
       {0, 1, 0, 1, 2, 3, 4}},
      {"quit on the copy page", {prNext, prNext, prQuit}, {0, 1, 2}},
      {"back on the finish page",
       {prNext, prNext, prNext, prNext, prBack, prNext, prNext},
       {0, 1, 2, 3, 4, 3, 4}},
      {"other results show the page again", {mrNone + 3, mrYes, prNext, prQuit}, {0, 0, 0, 1}},
      {"back on the first page shows it again", {prBack, prQuit}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w = Walk{};
    EXPECT_EQ(Run(0, ikNone, c.results), c.shown);
  }
}

TEST_F(DriverTest, OtherResultCreatesThePageAnew) {
  Run(0, ikNone, {3, prQuit});
  EXPECT_EQ(w.created, 2);
}

TEST_F(DriverTest, UpgradeWalksWithoutQuestion) {
  const struct {
    const char* name;
    unsigned char kind;
    std::deque<int> results;
    V shown;
  } cases[] = {
      {"LOCAL becomes SERVER", ikLocal, {prNext, prNext, prNext, prNext}, {6, 7, 8, 4}},
      {"back on locate ends", ikLocal, {prBack}, {6}},
      {"quit in the middle", ikLocal, {prNext, prQuit}, {6, 7}},
      {"back on the database page",
       ikServer,
       {prNext, prNext, prBack, prNext, prNext, prNext},
       {6, 7, 8, 7, 8, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w = Walk{};
    MsgPrefix = "before";
    EXPECT_EQ(Run(pgFindApp, c.kind, c.results), c.shown);
    if (c.shown.size() > 1) {
      EXPECT_EQ(InstallKind, ikServer);
    }
    EXPECT_EQ(MsgPrefix, "before") << "no question, no prefix change";
  }
}

TEST_F(DriverTest, ClientUpgradeQuestion) {
  const struct {
    const char* name;
    ScriptedUser::Step answer;
    std::deque<int> results;
    V shown;
    unsigned char kind;
  } cases[] = {
      {"No skips the database page",
       ScriptedUser::Click("&Nu"),
       {prNext, prNext, prNext},
       {6, 7, 4},
       ikClient},
      {"Yes upgrades the server",
       ScriptedUser::Click("&Da"),
       {prNext, prNext, prNext, prNext},
       {6, 7, 8, 4},
       ikServer},
      {"closed otherwise counts as yes",
       ScriptedUser::Reject(),
       {prNext, prNext, prNext, prNext},
       {6, 7, 8, 4},
       ikServer},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w = Walk{};
    MsgPrefix = "ceva";
    QString text, caption, defaultButton;
    ScriptedUser user;
    // The pages close themselves; only the question is the user's.
    user.Ignore([](QWidget* modal) { return dynamic_cast<ScriptedPage*>(modal) != nullptr; });
    user.Then([&](QWidget* modal) {
      ASSERT_TRUE(qobject_cast<TMessageForm*>(modal));
      text = ScriptedUser::MessageText(modal);
      caption = modal->windowTitle();
      defaultButton = ScriptedUser::DefaultButtonText(modal);
      c.answer(modal);
    });
    EXPECT_EQ(Run(pgFindApp, ikClient, c.results), c.shown);
    EXPECT_EQ(user.Pending(), 0);
    EXPECT_EQ(InstallKind, c.kind);
    EXPECT_EQ(caption, "UPGRADE baza de date SERVER ?");
    EXPECT_EQ(defaultButton, "&Nu");
    EXPECT_TRUE(text.startsWith("Baza de date se afla la distanta, pe SERVER.\n" +
                                QString(46, '_') + "\n\n"))
        << "asked with no prefix: " << text.toStdString();
    EXPECT_TRUE(
        text.endsWith(QString(48, '_') + "\n\nFac UPGRADE la baza de date de pe SERVER?\n"));
    EXPECT_EQ(text.count('\n'), 12);
    EXPECT_EQ(MsgPrefix, "PENTRU CONTINUARE");
  }
}

TEST_F(DriverTest, QuestionAskedOnlyWhileClient) {
  // Yes, then back from the database page to the copy page: the kind is SERVER by now.
  ScriptedUser user;
  user.Ignore([](QWidget* modal) { return dynamic_cast<ScriptedPage*>(modal) != nullptr; });
  user.Then(ScriptedUser::Click("&Da"));
  EXPECT_EQ(Run(pgFindApp, ikClient, {prNext, prNext, prBack, prNext, prNext, prNext}),
            (V{6, 7, 8, 7, 8, 4}));
  EXPECT_EQ(user.seen.size(), 1);
}

// Back from an upgrade's finish page, again and again: never a fresh page (whose copy would
// unpack the fresh database over the user's), only the upgrade pages back to the locate page.
TEST_F(DriverTest, BackFromTheUpgradeFinishStaysOnTheUpgradeRoad) {
  const struct {
    const char* name;
    unsigned char kind;
    const char* answer;  // to the client question, each time it is asked
    std::deque<int> results;
    V shown;
  } cases[] = {
      {"LOCAL",
       ikLocal,
       nullptr,
       {prNext, prNext, prNext, prBack, prBack, prBack, prBack},
       {6, 7, 8, 4, 8, 7, 6}},
      {"SERVER, forward again",
       ikServer,
       nullptr,
       {prNext, prNext, prNext, prBack, prNext, prNext},
       {6, 7, 8, 4, 8, 4}},
      {"CLIENT answered No",
       ikClient,
       "&Nu",
       {prNext, prNext, prBack, prBack, prBack},
       {6, 7, 4, 7, 6}},
      {"CLIENT answered Yes",
       ikClient,
       "&Da",
       {prNext, prNext, prNext, prBack, prBack, prBack, prBack},
       {6, 7, 8, 4, 8, 7, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w = Walk{};
    ScriptedUser user;
    user.Ignore([](QWidget* modal) { return dynamic_cast<ScriptedPage*>(modal) != nullptr; });
    if (c.answer)
      for (int i = 0; i < 4; ++i) user.Then(ScriptedUser::Click(c.answer));
    const V shown = Run(pgFindApp, c.kind, c.results);
    EXPECT_EQ(shown, c.shown);
    for (int page : shown) EXPECT_GE(page, pgFinish) << "a fresh page was shown";
  }
}

TEST_F(DriverTest, PlacementArithmetic) {
  EXPECT_EQ(PagePosition(QSize(1024, 768), QSize(637, 300)).y(), 416);
  EXPECT_EQ(PagePosition(QSize(1024, 768), QSize(637, 114)), QPoint(193, 576));
  EXPECT_EQ(PagePosition(QSize(600, 400), QSize(637, 114)).x(), -18);
  // Integer division truncates toward zero, also for a page taller than the screen.
  EXPECT_EQ(PagePosition(QSize(800, 100), QSize(800, 120)).y(), -16);
}

class UpgradeStartTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    MsgPrefix.clear();
    saved_ = RunFolder;
    RunFolder = "C:\\windows\\temp\\";
    temp_ = machine.Host("C:\\windows\\temp");
  }
  void TearDown() override {
    RunFolder = saved_;
    ResetInstallerState();
  }
  QString saved_, temp_;
};

TEST_F(UpgradeStartTest, LibraryThatCannotLoadEndsTheWizard) {
  ScriptedUser user;
  user.Ignore([](QWidget* modal) { return dynamic_cast<ScriptedPage*>(modal) != nullptr; });
  QString text, caption, button;
  user.Then([&](QWidget* modal) {
    ASSERT_TRUE(qobject_cast<TMessageForm*>(modal));
    text = ScriptedUser::MessageText(modal);
    caption = modal->windowTitle();
    button = ScriptedUser::DefaultButtonText(modal);
    ScriptedUser::Click("&Renunt")(modal);
  });
  EnterUpgradePath();
  EXPECT_EQ(CurrentPage, pgExit);
  EXPECT_EQ(text, "Nu am putut incarca UPGRADE.DLL");
  EXPECT_EQ(caption, "Program incomplet!");
  EXPECT_EQ(button, "&Renunt");
}

TEST_F(UpgradeStartTest, ArchiveDeletedOutsideAnUpgrade) {
  machine.WriteHostFile(temp_ + "/UPGRADE.ZIP", "not even a zip");
  UpgradeMode = false;
  PrepareUpgradeArchive();
  EXPECT_FALSE(win::FileExists("C:\\windows\\temp\\UPGRADE.ZIP"));
}

TEST_F(UpgradeStartTest, MissingArchiveAndLibrary) {
  UpgradeMode = true;
  ScriptedUser user;
  user.Ignore([](QWidget* modal) { return dynamic_cast<ScriptedPage*>(modal) != nullptr; });
  QString text, caption;
  user.Then([&](QWidget* modal) {
    text = ScriptedUser::MessageText(modal);
    caption = modal->windowTitle();
    ScriptedUser::Click("O&K")(modal);
  });
  PrepareUpgradeArchive();
  EXPECT_EQ(text, "Nu gasesc Upgrade.zip");
  EXPECT_EQ(caption, "EROARE !");

  // A library left from an earlier run: nothing to say.
  machine.WriteHostFile(temp_ + "/UPGRADE.dll", "x");
  ScriptedUser quiet;
  quiet.Then(ScriptedUser::Click("O&K"));
  PrepareUpgradeArchive();
  EXPECT_EQ(quiet.seen.size(), 0);
}

TEST_F(UpgradeStartTest, UnreadableArchiveIsAnError) {
  machine.WriteHostFile(temp_ + "/UPGRADE.ZIP", "not a zip");
  UpgradeMode = true;
  EXPECT_THROW(PrepareUpgradeArchive(), std::exception);
}

TEST_F(UpgradeStartTest, ArchiveUnpackedIntoTheRunFolderAndDeleted) {
  machine.WriteHostFile(temp_ + "/UPGRADE.dll", "old");
  ASSERT_TRUE(MakeZip(temp_ + "/UPGRADE.ZIP",
                      {{"UPGRADE.dll", "new library"}, {"SQL/", {}}, {"SQL/1.sql", "alter"}}));
  UpgradeMode = true;
  PrepareUpgradeArchive();
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/UPGRADE.dll"), "new library");
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/SQL/1.sql"), "alter");
  EXPECT_FALSE(win::FileExists("C:\\windows\\temp\\UPGRADE.ZIP"));
}

TEST_F(UpgradeStartTest, EntryOutsideTheRunFolderIsRefused) {
  ASSERT_TRUE(MakeZip(temp_ + "/UPGRADE.ZIP", {{"../escaped.txt", "x"}}));
  UpgradeMode = true;
  EXPECT_THROW(PrepareUpgradeArchive(), std::exception);
  EXPECT_FALSE(win::FileExists("C:\\windows\\escaped.txt"));
}

// The whole start of an upgrade run (the engine knows ZORVAN) with neither UPGRADE.ZIP nor a
// library: both messages, in this order, and the wizard ends without a page.
TEST_F(UpgradeStartTest, NeitherArchiveNorLibraryEndsTheStart) {
  machine.WriteHostFile(
      machine.Host("C:\\BDE\\IDAPI32.CFG"),
      "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\nPATH=C:\\WinZorv\\DATA\r\n");
  win::ForceDirectories("C:\\WinZorv\\DATA");
  win::TRegistry reg;
  reg.OpenKey("\\Software\\Borland\\Database Engine", true);
  reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
  Walk noPages;
  walk = &noPages;
  for (int pos : {0, 1, 2, 3, 4, 6, 7, 8}) PageTable[pos] = [pos] { return new ScriptedPage(pos); };
  ScriptedUser user;
  QStringList said;
  auto answer = [&](const QString& button) {
    return [&said, button](QWidget* modal) {
      said << ScriptedUser::MessageText(modal) + " / " + modal->windowTitle();
      ScriptedUser::Click(button)(modal);
    };
  };
  user.Then(answer("O&K")).Then(answer("&Renunt"));
  RunWizard();
  EXPECT_TRUE(UpgradeMode);
  EXPECT_EQ(said, QStringList({"Nu gasesc Upgrade.zip / EROARE !",
                               "Nu am putut incarca UPGRADE.DLL / Program incomplet!"}));
  EXPECT_EQ(CurrentPage, pgExit);
  EXPECT_EQ(noPages.created, 0);
  walk = nullptr;
  PageTable = DefaultPageTable();
  while (DbiExit() == DBIERR_NONE) {
  }
  EngineInitialized = false;
}
