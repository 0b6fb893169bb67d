#include "core/Iglobals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <memory>

#include "core/Main.h"
#include "kit/Cliunit.h"
#include "kit/GGlobals.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "prompt/Prompt.h"
#include "upgrade/Upgint.h"

namespace {
constexpr TCompSet kAll =
    CompBit(0) | CompBit(1) | CompBit(2) | CompBit(3) | CompBit(4) | CompBit(5) | CompBit(6);
constexpr TCompSet kBde = CompBit(4);
constexpr TCompSet kDatabase = CompBit(2) | CompBit(3);
}  // namespace

const std::array<TCompRecord, CompCount> Components = {{
    {"EXE", "Fisiere executabile", dtProgram},
    {"VELAROS", "Velaros ZORVAN", dtProgram},
    {"DBDAT", "ZORVAN: baza de date si exemple", dtDatabaseDat},
    {"DBNEW", "ZORVAN: baza de date martor", dtDatabaseNew},
    {"BDE32", "Borland Database Engine", dtProgramFiles},
    {"HELP", "Help Zarederad", dtProgram},
    {"KANVERO", "Kanvero ZORVAN", dtProgram},
}};
const std::array<TCompSet, 4> InstallSets = {0, kAll, kAll, TCompSet(kAll & ~kDatabase)};
const std::array<TCompSet, 4> UpgradeSets = {0, TCompSet(kAll & ~kBde), TCompSet(kAll & ~kBde),
                                             TCompSet(kAll & ~kBde & ~kDatabase)};
const std::array<QString, 4> AliasNames = {"ZORVANALIAS", "FIRMAALIAS", "LUNAALIAS", "ZORVAN"};
const std::array<QString, 4> AliasDirs = {"NEW\\DATA", "NEW\\FIRMA", "NEW\\LUNA", "DATA"};

bool UpgradeMode = false;
bool OldEngineFound = false;
bool EngineUseCounted = false;
unsigned char InstallKind = ikNone;
unsigned char CurrentPage = 0;
QString ShownProgramDir = "C:\\WinZorv";
QString ProgramDir = "C:\\WinZorv";
QString ShownDataDir = "C:\\WinZorv";
QString DataDir = "C:\\WinZorv";
QString SourceDir;
int DiskCount = 1;
TEditInfo* ReleaseNotes = nullptr;
TReleaseNotesHooks ReleaseNotesHooks;

namespace {
std::array<TPageFactory, 10>& DefaultPages() {
  static std::array<TPageFactory, 10> table;
  return table;
}
}  // namespace

std::array<TPageFactory, 10> PageTable;

void SetDefaultPageTable(const std::array<TPageFactory, 10>& table) {
  DefaultPages() = table;
  PageTable = table;
}

void OfferReleaseNotes() {
  if (ReleaseNotesHooks.Show) ReleaseNotesHooks.Show();
}

void ResetInstallerState() {
  UpgradeMode = false;
  OldEngineFound = false;
  EngineUseCounted = false;
  InstallKind = ikNone;
  CurrentPage = 0;
  ShownProgramDir = ProgramDir = ShownDataDir = DataDir = "C:\\WinZorv";
  SourceDir.clear();
  DiskCount = 1;
  PageTable = DefaultPages();
}

void ReadConfiguration() {
  DiskCount = win::GetPrivateProfileInt("General", "NrDiscuri", 6,
                                        win::JoinPath(RunFolder, "instzorv.cfg"));
}

QPoint PagePosition(QSize screen, QSize page) {
  // Integer division truncating toward zero, as C++ does.
  return QPoint((screen.width() - page.width()) / 2, (screen.height() - page.height()) / 9 * 8);
}

bool ClientUpgradeQuestion() {
  if (InstallKind != ikClient) return true;
  const QString text = QString(
                           "Baza de date se afla la distanta, pe SERVER.\r"
                           "%1\r"
                           "\r"
                           "Daca nu aveti acces la SERVER pentru a lansa UPGRADE,\r"
                           "\r"
                           "aveti acum ocazia sa o faceti de pe acest calculator.\r"
                           "\r"
                           "-Acest mesaj va apare la fiecare instalare de tip CLIENT.\r"
                           "Nu este nevoie sa lansati UPGRADE la SERVER decat o singura data.\r"
                           "%2\r"
                           "\r"
                           "Fac UPGRADE la baza de date de pe SERVER?\r")
                           .arg(QString(46, '_'), QString(48, '_'));
  prompt::TPrompt p;
  p.Id = "driver.client-upgrade";
  p.Text = text;
  p.Caption = "UPGRADE baza de date SERVER ?";
  p.Kind = prompt::TKind::Confirmation;
  p.Buttons = prompt::Buttons({prompt::bYes, prompt::bNo});
  p.Default = prompt::bNo;
  p.Prefix = QString();
  p.PrefixAfter = "PENTRU CONTINUARE";
  return prompt::Ask(p) != prompt::aNo;
}

void EnterUpgradePath() {
  CurrentPage = pgFindApp;
  if (!LoadUpgradeLibrary()) {
    CurrentPage = pgExit;
    prompt::TPrompt p;
    p.Id = "driver.no-upgrade-dll";
    p.Text = "Nu am putut incarca UPGRADE.DLL";
    p.Caption = "Program incomplet!";
    p.Kind = prompt::TKind::Error;
    p.Buttons = prompt::Buttons({prompt::bCancel});
    p.Default = prompt::bCancel;
    prompt::Ask(p);
  }
}

void RunPageLoop() {
  while (CurrentPage != pgExit) {
    if (CurrentPage >= PageTable.size() || !PageTable[CurrentPage]) {
      CurrentPage = CurrentPage == pgUpgDone ? pgFinish : pgExit;
      continue;
    }
    std::unique_ptr<TMForm> page(PageTable[CurrentPage]());
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    page->move(screen.topLeft() + PagePosition(screen.size(), page->size()));
    win::LogLine(QString("page %1 shown").arg(CurrentPage));
    int result = page->ShowModal();
    win::LogLine(QString("page %1 result %2").arg(CurrentPage).arg(result));
    switch (result) {
      case prNext:
        ++CurrentPage;
        break;
      case prQuit:
        CurrentPage = pgExit;
        break;
      case prBack:
        // An upgrade never goes back into the fresh pages: their copy would unpack the fresh
        // database over the user's tables. Back from its finish page returns to the last
        // upgrade page shown.
        if (UpgradeMode && CurrentPage == pgFinish)
          CurrentPage = InstallKind == ikClient ? pgUpgCopy : pgUpgData;
        // The first page has no way back; should one come, the page is shown again.
        else if (CurrentPage > 0)
          --CurrentPage;
        break;
      default:
        break;
    }
    if (CurrentPage == pgUpgCopy && ClientUpgradeQuestion()) InstallKind = ikServer;
    if (CurrentPage == pgUpgData && InstallKind == ikClient) CurrentPage = pgFinish;
    if (CurrentPage == pgUpgDone) CurrentPage = pgFinish;
  }
}

bool HandlePageKey(QWidget* page, int key, Qt::KeyboardModifiers modifiers, bool allowNotes) {
  if ((modifiers & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
  if (key == Qt::Key_M) {
    if (Installer) Installer->setVisible(!Installer->isVisible());
    page->raise();
    page->activateWindow();
    return true;
  }
  if (key == Qt::Key_H && allowNotes) {
    OfferReleaseNotes();
    return true;
  }
  return false;
}
