#pragma once
// HKEY_LOCAL_MACHINE of the machine, kept in registry/HKLM.reg (REGEDIT4 text, or a version 5
// file when some text does not fit the ANSI code page). Key and value names compare without
// regard to case and keep the case they were created with; a leading "\" is ignored. Every
// change reloads the store, applies itself and saves it atomically under a lock, so the installer
// and the registry editor it starts never lose each other's changes; a writer waits a bounded
// time for another (StoreLockWaitMs) and then fails with win::Error.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace win {

// Value types.
enum : unsigned {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
};

struct RegValue {
  QString name;  // empty for the default value ("@")
  unsigned type = REG_SZ;
  QString text;       // REG_SZ and REG_EXPAND_SZ
  quint32 dword = 0;  // REG_DWORD
  QByteArray bytes;   // other types, as stored; REG_MULTI_SZ always in UTF-16
};

struct RegKey {
  QString path;  // without the root, components joined by "\" ("Software\Borland")
  QList<RegValue> values;
  RegValue* value(const QString& name);
  const RegValue* value(const QString& name) const;
};

// A registry tree in memory, and the .reg text format it is stored and imported in.
class RegStore {
 public:
  // "Software\\Borland\\" and "\Software\Borland" name the same key; "" is the root.
  static QString NormalizePath(const QString& path);

  // Pointers into the store: never taken from a temporary one.
  const RegKey* Find(const QString& path) const&;
  RegKey* Find(const QString& path) &;
  const RegKey* Find(const QString& path) const&& = delete;
  RegKey& Create(const QString& path);  // with its missing parents
  void DeleteKey(const QString& path);  // with its subkeys
  const QMap<QString, RegKey>& keys() const { return keys_; }

  // Applies a .reg text ("REGEDIT4" in the ANSI code page, or "Windows Registry Editor Version
  // 5.00" in UTF-16 or UTF-8): keys, "[-key]" deletions, strings with escapes, "name"=- deletions,
  // dword:, hex: and hex(n): values with continuation lines. Keys of other roots are skipped.
  // Returns false when the header is missing (nothing is applied); badLines gets the numbers of
  // lines that could not be read (they are skipped).
  bool Apply(const QByteArray& fileData, QList<int>* badLines = nullptr);
  // The whole tree as REGEDIT4 text in the ANSI code page with CR LF line ends; when a name or a
  // text does not fit that code page, the whole tree as a version 5 file in UTF-16 instead, so
  // that no key or value is lost (two keys that differ only outside the code page stay two).
  QByteArray Serialize() const;

 private:
  QMap<QString, RegKey> keys_;  // upper-cased path -> key
};

// The store of a new machine: the platform's own keys (the Program Files folder).
RegStore DefaultRegistry();

// The registry of the current machine, as the program uses it.
class TRegistry {
 public:
  bool KeyExists(const QString& key) const;
  // Opens a key for reading and writing, creating it (and its parents) when canCreate.
  bool OpenKey(const QString& key, bool canCreate);
  bool OpenKeyReadOnly(const QString& key);
  void CloseKey();
  QString CurrentPath() const { return current_; }

  bool ValueExists(const QString& name) const;
  unsigned GetDataType(const QString& name) const;  // REG_NONE when missing
  // An empty text when the value is missing; win::Error when it is not a string.
  QString ReadString(const QString& name) const;
  // Throws win::Error when no key is open for writing or the store cannot be saved.
  void WriteString(const QString& name, const QString& value);
  bool DeleteValue(const QString& name);
  bool DeleteKey(const QString& key);

 private:
  QString current_;
  bool open_ = false;
  bool readOnly_ = false;
};

// The store as it is now (the defaults when the machine has none yet).
RegStore LoadRegistry();
// Imports a .reg file (a Windows path) into the machine's store, as "regedit /s" does. Throws
// win::Error when the file cannot be read or is not a registry file, or the store cannot be saved.
void ImportRegFile(const QString& winPath);

}  // namespace win

namespace win {
// Puts the registry editor (REGEDIT.EXE) into a machine's Windows folder (a host folder): a copy
// of the build's zarederad-regedit, found next to the running program or in the folder it was
// built into. False when there is none to copy.
bool PlaceRegistryEditor(const QString& hostWindowsFolder);
}  // namespace win
