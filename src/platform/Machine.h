#pragma once
// The emulated Windows machine: a host folder (ZAREDERAD_MACHINE) whose machine.ini maps drive
// letters and network shares to host folders and holds the Windows environment.
#include <QList>
#include <QMap>
#include <QString>

namespace win {

// Drive types as the platform's drive-type query answers them.
enum : unsigned {
  DRIVE_UNKNOWN = 0,
  DRIVE_NO_ROOT_DIR = 1,
  DRIVE_REMOVABLE = 2,
  DRIVE_FIXED = 3,
  DRIVE_REMOTE = 4,
  DRIVE_CDROM = 5,
  DRIVE_RAMDISK = 6,
};

struct Drive {
  QChar letter;      // upper case
  unsigned type;     // DRIVE_*
  QString hostRoot;  // absolute host folder, without a trailing "/" (except "/" itself)
};

struct Share {
  QString unc;       // "\\SRV\SHARE": upper-cased, without a trailing "\"
  QString hostRoot;  // absolute host folder
};

class Machine {
 public:
  // The machine of ZAREDERAD_MACHINE (default ~/.local/share/zarederad/machine), created with
  // defaults when its folder has no machine.ini. Throws win::Error when it cannot be created,
  // or when machine.ini cannot be read or has a line or a drive it cannot understand (the
  // message names the file and the line or the drive).
  static Machine& Current();
  // Forgets the loaded machine, so that the next Current() reads the environment again.
  static void Reload();
  // The folder a machine lives in when ZAREDERAD_MACHINE is not set.
  static QString DefaultFolder();

  const QString& folder() const { return folder_; }
  const QList<Drive>& drives() const { return drives_; }
  const Drive* drive(QChar letter) const;
  const QList<Share>& shares() const { return shares_; }
  // A variable of [Environment]; names compare without regard to case. Empty when unset.
  QString environment(const QString& name) const;
  bool hasEnvironment(const QString& name) const;
  QString registryFile() const;  // host path of the HKLM store

 private:
  explicit Machine(const QString& folder);
  void Load();
  void CreateDefaults();

  QString folder_;
  QList<Drive> drives_;
  QList<Share> shares_;
  QMap<QString, QString> env_;  // upper-cased name -> value
};

// The drive type of a root ("C:\", "C:", "\\srv\share\"): DRIVE_NO_ROOT_DIR when nothing maps it.
unsigned GetDriveType(const QString& root);
// The Windows folder (WINDIR of the machine, "C:\windows" by default), without a trailing "\".
QString GetWindowsDirectory();
// An environment variable of the machine; empty when not set.
QString GetEnvironmentVariable(const QString& name);

// Reads an INI text with this machine's own lenient rules (used for machine.ini): "[Section]",
// "key=value", ";" comments also after a value. Keys are returned upper-cased, in file order.
// badLine (when given) gets the number of the first line that is none of these (0 when none).
using IniSection = QList<QPair<QString, QString>>;
QMap<QString, IniSection> ParseMachineIni(const QString& text, int* badLine = nullptr);
// The text of machine.ini: UTF-8 (a byte order mark allowed). Throws win::Error naming fileName
// and the line when it is not UTF-8 text (UTF-16, a NUL byte, a byte sequence of no character).
QString DecodeMachineIni(const QByteArray& data, const QString& fileName);

}  // namespace win
