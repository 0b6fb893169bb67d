#pragma once
// Windows paths: string helpers, and their resolution to host paths without regard to letter
// case. Both "\" and "/" separate components.
#include <QHash>
#include <QSet>
#include <QString>

namespace win {

// --- string helpers in Windows terms ---
bool IsPathDelimiter(QChar c);
QString IncludeTrailingBackslash(const QString& path);
// Removes one trailing "\" (a bare drive root "C:\" becomes "C:").
QString ExcludeTrailingBackslash(const QString& path);
// folder + name with exactly one "\" between them (none added after an empty folder).
QString JoinPath(const QString& folder, const QString& name);
QString ExtractFilePath(const QString& path);  // up to and including the last "\" or ":"
QString ExtractFileName(const QString& path);
QString ExtractFileExt(const QString& path);  // with the dot; empty when none
QString ChangeFileExt(const QString& path, const QString& ext);
// The absolute, normalised form of a path ("." and ".." removed, "/" turned into "\"), resolved
// against the current folder; drive letters upper-cased. Empty for an empty path.
QString ExpandFileName(const QString& path);

// --- resolution ---
// The names of one host folder, for lookups without regard to case: an exact match wins, else the
// first case-insensitive match in name order. The rule of ToHostPath, kept for a reader that looks
// up many names in one folder.
class FolderNames {
 public:
  void Add(const QString& name);
  // The name as the folder has it; the name itself when the folder has no such name.
  QString Lookup(const QString& name) const;

 private:
  QSet<QString> exact_;
  QHash<QString, QString> folded_;  // case-folded name -> its first spelling in name order
};
// The entries of a host folder (hidden ones too); empty when it cannot be read.
FolderNames ListHostFolder(const QString& hostDir);

// The host path of a Windows path, component by component without regard to case: an exact
// match wins, else the first case-insensitive match in name order; missing components keep the
// case given. Throws win::Error (ERROR_PATH_NOT_FOUND) when no drive or share maps it.
QString ToHostPath(const QString& winPath);
// As ToHostPath, but an empty string instead of an error.
QString TryToHostPath(const QString& winPath);
// The Windows name of a host path: the drive whose host folder is the longest prefix of it
// (symbolic links in the path are resolved first). Empty when no drive maps it.
QString ToWindowsPath(const QString& hostPath);

// The process's current folder, in Windows terms, mirrored to the host's working folder.
QString GetCurrentDir();
bool SetCurrentDir(const QString& winPath);
// Forgets the current folder (after a change of machine): it is derived again from the host's.
void ResetCurrentDir();

// The host folder of the running executable (links resolved).
QString ExecutableHostFolder();
// The same in Windows terms; empty when no drive of the machine holds it.
QString ExecutableFolder();

}  // namespace win
