// Loading the upgrade library from the run folder at the wizard's start, with real libraries on
// disk, and the calls and reports that pass between the installer and the library.
#include <gtest/gtest.h>

#include <QFile>
#include <QTimer>

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
#include "platform/Library.h"
#include "platform/Registry.h"
#include "upgrade/Upgint.h"
#include "upgrade/UpgradeApi.h"

namespace {

QByteArray ReadFile(const QString& host) {
  QFile f(host);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A page that must never come: the start either loads the library or ends the wizard.
class UnexpectedPage : public TMForm {
 public:
  explicit UnexpectedPage(int position) : position_(position) { resize(637, 114); }

 protected:
  void showEvent(QShowEvent*) override {
    ADD_FAILURE() << "page " << position_ << " shown";
    QTimer::singleShot(0, this, [this] { ModalResult = mrCancel; });
  }
  int position_;
};

class UpgradeLoaderTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    MsgPrefix.clear();
    saved_ = RunFolder;
    SetRunFolder("C:\\windows\\temp\\");
    for (int pos : {0, 1, 2, 3, 4, 6, 7, 8})
      PageTable[pos] = [pos]() -> TMForm* { return new UnexpectedPage(pos); };
  }
  void TearDown() override {
    UnloadUpgradeLibrary();
    PageTable = DefaultPageTable();
    RunFolder = saved_;
    ResetInstallerState();
    while (DbiExit() == DBIERR_NONE) {
    }
    EngineInitialized = false;
  }
  void SetRunFolder(const QString& folder) {
    RunFolder = folder;
    win::ForceDirectories(folder);
    runHost_ = machine.Host(folder);
  }
  void Place(const QString& libraryFile, const QString& name) {
    ASSERT_TRUE(QFile::copy(libraryFile, runHost_ + "/" + name)) << name.toStdString();
  }
  // The start's upgrade branch and then the page loop; the driver's message, if any, answered.
  QString Start() {
    QString said;
    ScriptedUser user;
    user.Ignore([](QWidget* modal) { return dynamic_cast<UnexpectedPage*>(modal) != nullptr; });
    user.Then([&](QWidget* modal) {
      said = ScriptedUser::MessageText(modal) + " / " + modal->windowTitle() + " / " +
             ScriptedUser::DefaultButtonText(modal);
      ScriptedUser::Click("&Renunt")(modal);
    });
    EnterUpgradePath();
    if (!UpgradeLibraryLoaded()) RunPageLoop();
    return said;
  }
  // The library's own record of the calls it received.
  QString Recorded() {
    auto* handle = win::LoadLibrary(RunFolder + "UPGRADE.DLL");
    auto calls = reinterpret_cast<const char* (*)()>(win::GetProcAddress(handle, "RecordedCalls"));
    QString text = calls ? QString::fromLatin1(calls()) : "(no recorder)";
    win::FreeLibrary(handle);
    return text;
  }
  QString saved_, runHost_;
};

const char kCannotLoad[] = "Nu am putut incarca UPGRADE.DLL / Program incomplet! / &Renunt";

TEST_F(UpgradeLoaderTest, LoaderCases) {
  struct Case {
    const char* name;
    QString runFolder;
    QString file;  // what is put into the run folder ...
    QString as;    // ... under this name
    bool loads;
  };
  const QString longFolder = "C:\\windows\\temp\\o cale mai lunga de cincizeci de caractere\\kit\\";
  ASSERT_GT(longFolder.size() + QString("UPGRADE.DLL").size(), 50);
  const QString notALibrary = machine.folder() + "/not-a-library";
  machine.WriteHostFile(notALibrary, QByteArray("MZ\x90\0 this is no library", 24).repeated(100));
  const Case cases[] = {
      {"a good library", "C:\\windows\\temp\\", RECORDER_LIB, "UPGRADE.DLL", true},
      {"left by an earlier run as UPGRADE.dll", "C:\\windows\\temp\\", RECORDER_LIB, "UPGRADE.dll",
       true},
      {"in any case", "C:\\windows\\temp\\", RECORDER_LIB, "upgrade.Dll", true},
      {"a run folder longer than 50 characters", longFolder, RECORDER_LIB, "UPGRADE.DLL", true},
      {"the sample library", "C:\\windows\\temp\\", SAMPLE_LIB, "UPGRADE.dll", true},
      {"missing", "C:\\windows\\temp\\", "", "", false},
      {"not a library", "C:\\windows\\temp\\", notALibrary, "UPGRADE.DLL", false},
      {"without CheckExclusive", "C:\\windows\\temp\\", RECORDER_HALF_LIB, "UPGRADE.DLL", false},
      {"another name", "C:\\windows\\temp\\", RECORDER_LIB, "UPGRADE2.DLL", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestMachine fresh;  // every case in a run folder of its own
    SetRunFolder(c.runFolder);
    if (!c.file.isEmpty()) Place(c.file, c.as);
    CurrentPage = 0;
    const QString said = Start();
    EXPECT_EQ(UpgradeLibraryLoaded(), c.loads);
    if (c.loads) {
      EXPECT_EQ(said, "");
      EXPECT_EQ(CurrentPage, pgFindApp);
    } else {
      EXPECT_EQ(said, kCannotLoad);
      EXPECT_EQ(CurrentPage, pgExit);
      // Nothing of a half library is ever called.
      EXPECT_EQ(UpgGetAliasPath("ZORVAN"), "");
      EXPECT_FALSE(UpgGetSemaforOK());
    }
    UnloadUpgradeLibrary();
  }
}

TEST_F(UpgradeLoaderTest, CallsReachTheLibraryInOrderAndReportsArriveIntact) {
  Place(RECORDER_LIB, "UPGRADE.DLL");
  ASSERT_TRUE(LoadUpgradeLibrary());
  EXPECT_TRUE(LoadUpgradeLibrary()) << "a second load keeps the library";

  EXPECT_EQ(UpgGetAliasPath("ZORVAN"), "C:\\WinZorv\\DATA");
  EXPECT_EQ(UpgGetAliasPath("ALTUL"), "");
  UpgSetQuickVerif(true);
  UpgSetQuickVerif(false);
  static QStringList reports;
  reports.clear();
  UpgSetReportProc([](const QString& text) { reports << text; });
  UpgDoStructureUpgrade();
  EXPECT_FALSE(UpgGetSemaforOK());
  auto setSemafor = reinterpret_cast<void (*)(uint8_t)>(
      win::GetProcAddress(win::LoadLibrary(RunFolder + "UPGRADE.DLL"), "SetRecordedSemafor"));
  ASSERT_TRUE(setSemafor);
  setSemafor(1);
  UpgDoListUpgrade();
  EXPECT_TRUE(UpgGetSemaforOK());
  UpgDoConstUpgrade();
  EXPECT_TRUE(UpgGetSemaforOK());

  EXPECT_EQ(Recorded(),
            "GetAliasPath(ZORVAN) GetAliasPath(ALTUL) SetQuickVerif(1) SetQuickVerif(0) "
            "SetReportProc DoStructureUpgrade kept GetSemaforOK DoListUpgrade kept GetSemaforOK "
            "DoConstUpgrade kept GetSemaforOK");
  // The code page's t with a cedilla, as Romanian is written in it.
  const QString text =
      QString::fromUtf8("Structur\u0103: \u0163ar\u0103, \u00eemp\u0103r\u0163ire ");
  EXPECT_EQ(reports, QStringList({text + "1", text + "2", text + "3"}));
  win::FreeLibrary(win::LoadLibrary(RunFolder + "UPGRADE.DLL"));  // the extra reference above
}

TEST(GlobalMemory, BlocksAreReachedOnlyThroughTheirHandle) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 5);
  ASSERT_TRUE(block);
  EXPECT_EQ(GlobalSize(block), 5u);
  char* p = static_cast<char*>(GlobalLock(block));
  ASSERT_TRUE(p);
  EXPECT_NE(static_cast<void*>(p), static_cast<void*>(block)) << "a handle is not the data";
  EXPECT_EQ(QByteArray(p, 5), QByteArray(5, '\0'));
  EXPECT_EQ(GlobalLock(block), p);
  EXPECT_NE(GlobalUnlock(block), 0) << "still locked once";
  EXPECT_EQ(GlobalUnlock(block), 0);
  EXPECT_EQ(GlobalUnlock(block), 0) << "not locked at all";
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

// The start of an upgrade run on a machine whose engine knows the alias: the library comes out
// of UPGRADE.ZIP, which is deleted, and loads; the wizard goes on to the locate page.
TEST_F(UpgradeLoaderTest, UpgradeRunUnpacksTheArchiveAndLoadsTheLibrary) {
  machine.WriteHostFile(
      machine.Host("C:\\BDE\\IDAPI32.CFG"),
      "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\nPATH=C:\\WinZorv\\DATA\r\n");
  win::ForceDirectories("C:\\WinZorv\\DATA");
  win::TRegistry reg;
  reg.OpenKey("\\Software\\Borland\\Database Engine", true);
  reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
  ASSERT_TRUE(MakeZip(runHost_ + "/UPGRADE.ZIP", {{"UPGRADE.dll", ReadFile(SAMPLE_LIB)}}));
  int located = 0;
  PageTable[pgFindApp] = [&]() -> TMForm* {
    ++located;
    // The library answers at once, as the locate page asks it.
    EXPECT_EQ(UpgGetAliasPath("ZORVAN"), "C:\\WinZorv\\DATA");
    auto* page = new TMForm;
    QTimer::singleShot(0, page, [page] { page->ModalResult = mrCancel; });
    return page;
  };
  ScriptedUser user;  // no message may come
  user.Ignore([](QWidget* modal) { return !qobject_cast<TMessageForm*>(modal); });
  user.Then([](QWidget* modal) {
    ADD_FAILURE() << ScriptedUser::MessageText(modal).toStdString();
    ScriptedUser::Reject()(modal);
  });
  RunWizard();
  EXPECT_EQ(user.Pending(), 1);
  EXPECT_TRUE(UpgradeMode);
  EXPECT_TRUE(UpgradeLibraryLoaded());
  EXPECT_EQ(located, 1);
  EXPECT_FALSE(win::FileExists(RunFolder + "UPGRADE.ZIP"));
  EXPECT_EQ(ReadFile(runHost_ + "/UPGRADE.dll"), ReadFile(SAMPLE_LIB));
}

}  // namespace
