#pragma once
// Finding the installed application for an upgrade: the profile's hints in WIN.INI, the scan of
// the fixed drives, and where the data folder of the alias lives. Plain procedures in Windows
// terms; the page that shows them gives them its status line and its Abandon through
// TSearchHooks.
#include <QString>
#include <functional>

// What the search needs from whoever shows it.
struct TSearchHooks {
  // The status line's text ("" clears it).
  std::function<void(const QString& text)> ShowStatus;
  // Called once per folder, after its status: may let the interface run its pending events
  // (never waiting for new ones) and answers whether the user asked to stop.
  std::function<bool()> StopRequested;
};

// The program file that marks an installation, and the size it must exceed.
inline constexpr char ProgramFileName[] = "ZORVAN.EXE";
inline constexpr qint64 ProgramFileMinSize = 6000000;
// Paths longer than this are not searched.
inline constexpr int SearchPathLimit = 100;
// How much of the folder being searched the status line shows.
inline constexpr int StatusPathTail = 31;

// Whether a folder holds an installation: its ZORVAN.EXE is larger than 6,000,000 bytes. The
// size is read without opening the file, so a read-only or running program file counts.
bool IsProgramFolder(const QString& folder);

// The hints of WIN.INI [Zorvan]: "AppPath" when AppPath + "Zorvan.exe" exists, else the folder
// of "DatabasePath" (with a trailing "\") when "Zorvan.exe" exists there; "" otherwise. Values
// are read with room for 32 characters.
QString ProfileProgramFolder();

// The drive scan. One object per scan: it remembers the Windows folder, the result and whether
// the user asked to stop.
class TDriveScan {
 public:
  explicit TDriveScan(TSearchHooks hooks);
  ~TDriveScan();
  TDriveScan(const TDriveScan&) = delete;
  TDriveScan& operator=(const TDriveScan&) = delete;

  // Every fixed drive from C to Z in order: its "\WinZorv\" first, then the whole drive; the
  // first folder found ends the scan. After a stop request the remaining drives are visited
  // only at their root, and the result is empty. The status line is cleared at the end.
  QString Run();

  // Searches a folder (ending in "\") and its subfolders; true ends the whole search, with the
  // folder found in Result() (empty after a stop request). Folder links are never entered and
  // folders that cannot be read are skipped.
  bool SearchFolder(const QString& path);

  const QString& Result() const { return result_; }
  bool Stopped() const { return stopped_; }
  // Folders examined so far (for the bench and the support log).
  long Visited() const { return visited_; }

 private:
  struct Dir;
  bool Search(const QString& path, int fd);
  TSearchHooks hooks_;
  QString windowsDir_;  // with a trailing "\"
  QString result_;
  bool stopped_ = false;
  long visited_ = 0;
};

// All three sources in turn: the profile's AppPath, its DatabasePath, then the drive scan.
// "" when nothing was found or the user stopped the scan.
QString FindProgramFolder(const TSearchHooks& hooks);

// Where the database of an alias lives, as the upgrade page needs it.
struct TDataPlace {
  QString DataDir;         // the alias folder without its trailing "\" and without "\DATA"
  QString Root;            // "C:\" or "\\srv\share\"
  bool OnNetwork = false;  // the root is a network drive: this machine is a client
};
// "C:\WinZorv\DATA\" gives C:\WinZorv on C:\; "\\srv\share\WinZorv\DATA" gives
// \\srv\share\WinZorv on \\srv\share\, a network drive.
TDataPlace DataPlaceOf(const QString& aliasFolder);
// The root of a folder: up to and including the fourth "\" of a "\\" path (all of it when it
// has fewer), else its first three characters.
QString RootOf(const QString& folder);
