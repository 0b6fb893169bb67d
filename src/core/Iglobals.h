#pragma once
// The installer state shared by every page, the configuration file, and the wizard driver.
#include <QPoint>
#include <QSize>
#include <QString>
#include <Qt>
#include <array>
#include <functional>

class TMForm;
class QWidget;
class TEditInfo;

// Where a component's archive is unpacked.
enum TDestType : unsigned char { dtDatabaseDat, dtDatabaseNew, dtProgram, dtProgramFiles };

struct TCompRecord {
  QString FileName;  // key of the component: its archive is FileName + ".ZIP"
  QString CompName;  // shown while the component is processed
  TDestType DestType;
};

// A component set: bit i stands for row i of Components.
using TCompSet = unsigned short;
constexpr int CompCount = 7;
constexpr TCompSet CompBit(int row) {
  return TCompSet(1u << row);
}
constexpr bool InSet(TCompSet set, int row) {
  return (set & CompBit(row)) != 0;
}

// Install kinds.
enum : unsigned char { ikNone = 0, ikLocal = 1, ikServer = 2, ikClient = 3 };

extern const std::array<TCompRecord, CompCount> Components;
extern const std::array<TCompSet, 4> InstallSets;
extern const std::array<TCompSet, 4> UpgradeSets;
extern const std::array<QString, 4> AliasNames;
extern const std::array<QString, 4> AliasDirs;

extern bool UpgradeMode;
extern bool OldEngineFound;
// This run is counted among the engine's users already (Back from the finish page runs the
// configuration again, and one installation is one user).
extern bool EngineUseCounted;
extern unsigned char InstallKind;
extern unsigned char CurrentPage;
extern QString ShownProgramDir;
extern QString ProgramDir;
extern QString ShownDataDir;
extern QString DataDir;
extern QString SourceDir;  // the medium's folder, without a trailing "\"
extern int DiskCount;
extern TEditInfo* ReleaseNotes;

// Puts every field back to its initial value (the process starts with them).
void ResetInstallerState();
// Reads [General] NrDiscuri of "instzorv.cfg" in the run folder into DiskCount (default 6).
void ReadConfiguration();

// --- the wizard driver ---

// Page results.
enum : int { prNext = 1, prQuit = 2, prBack = 4 };
// Positions of the page table that the driver treats specially.
enum : unsigned char {
  pgExit = 5,
  pgFindApp = 6,
  pgUpgCopy = 7,
  pgUpgData = 8,
  pgUpgDone = 9,
  pgFinish = 4
};

// The page table: a factory per position; positions 5 and 9 are empty.
using TPageFactory = std::function<TMForm*()>;
extern std::array<TPageFactory, 10> PageTable;
// The table ResetInstallerState puts back: the program's pages, given at start-up by the folder
// that knows them (pages/PageTable.h).
void SetDefaultPageTable(const std::array<TPageFactory, 10>& table);

// The release notes window, reached through what the notes install at start-up
// (notes/CInfo.h), so that this folder and the notes do not include each other.
struct TReleaseNotesHooks {
  TEditInfo* (*Make)() = nullptr;  // the window, hidden
  void (*Destroy)(TEditInfo*) = nullptr;
  void (*Show)() = nullptr;  // ShowReleaseNotes
};
extern TReleaseNotesHooks ReleaseNotesHooks;
// Shows the release notes when hooks are installed; nothing otherwise.
void OfferReleaseNotes();

// Where a page goes on the screen: centred horizontally, eight ninths of the free height above.
QPoint PagePosition(QSize screen, QSize page);

// The upgrade branch of the start: position 6 and the library, or the exit with a message.
void EnterUpgradePath();
// The page loop alone, from CurrentPage.
void RunPageLoop();
// The question asked on reaching the upgrade file copy: whether the server's database is
// upgraded from here (true without a question unless the kind is CLIENT).
bool ClientUpgradeQuestion();

// The page keyboard convention: Alt+M toggles the backdrop; Alt+H shows the release notes where
// the page allows it. Returns true when the key was taken.
bool HandlePageKey(QWidget* page, int key, Qt::KeyboardModifiers modifiers, bool allowNotes);
