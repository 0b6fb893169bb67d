#include "platform/Paths.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "platform/Machine.h"
#include "platform/WinError.h"

namespace win {
namespace {

QString& CurrentDirValue() {
  static QString dir;
  return dir;
}

bool IsDriveSpec(const QString& p) {
  return p.size() >= 2 && p[0].isLetter() && p[1] == ':';
}

bool IsUnc(const QString& p) {
  return p.size() >= 2 && IsPathDelimiter(p[0]) && IsPathDelimiter(p[1]);
}

// Splits an absolute Windows path into its root ("C:" or "\\srv\share") and its components.
void SplitAbsolute(const QString& abs, QString& root, QStringList& parts) {
  QString p = abs;
  p.replace('/', '\\');
  if (IsUnc(p)) {
    QStringList all = p.mid(2).split('\\', Qt::SkipEmptyParts);
    root = "\\\\" + all.value(0) + "\\" + all.value(1);
    parts = all.mid(2);
  } else {
    root = p.left(2);
    parts = p.mid(2).split('\\', Qt::SkipEmptyParts);
  }
}

QStringList Normalise(const QStringList& parts) {
  QStringList out;
  for (const QString& c : parts) {
    if (c == ".") continue;
    if (c == "..") {
      if (!out.isEmpty()) out.removeLast();
      continue;
    }
    out.append(c);
  }
  return out;
}

// The host folder a root maps to, or empty.
QString RootToHost(const QString& root) {
  const Machine& m = Machine::Current();
  if (root.startsWith("\\\\")) {
    for (const Share& s : m.shares())
      if (QString::compare(s.unc, root, Qt::CaseInsensitive) == 0) return s.hostRoot;
    return {};
  }
  if (const Drive* d = m.drive(root[0])) return d->hostRoot;
  return {};
}

// The entry of a host folder that a component names, without regard to case.
QString MatchComponent(const QString& hostDir, const QString& name) {
  QFileInfo exact(hostDir + "/" + name);
  if (exact.exists() || exact.isSymLink()) return name;
  return ListHostFolder(hostDir).Lookup(name);
}

// The absolute host path with the links of its existing part resolved; a missing tail is kept.
QString ResolveLinks(const QString& abs) {
  QString head = abs, tail;
  for (;;) {
    QString canon = QFileInfo(head).canonicalFilePath();
    if (!canon.isEmpty()) return tail.isEmpty() ? canon : QDir::cleanPath(canon + "/" + tail);
    int slash = head.lastIndexOf('/');
    if (slash < 0 || head == "/") return abs;
    tail = tail.isEmpty() ? head.mid(slash + 1) : head.mid(slash + 1) + "/" + tail;
    head = slash == 0 ? QString("/") : head.left(slash);
  }
}

}  // namespace

bool IsPathDelimiter(QChar c) {
  return c == '\\' || c == '/';
}

QString IncludeTrailingBackslash(const QString& path) {
  if (!path.isEmpty() && IsPathDelimiter(path.back())) return path;
  return path + "\\";
}

QString ExcludeTrailingBackslash(const QString& path) {
  if (!path.isEmpty() && IsPathDelimiter(path.back())) return path.left(path.size() - 1);
  return path;
}

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  QString n = name;
  while (!n.isEmpty() && IsPathDelimiter(n.front())) n.remove(0, 1);
  return IncludeTrailingBackslash(folder) + n;
}

QString ExtractFilePath(const QString& path) {
  for (int i = path.size() - 1; i >= 0; --i)
    if (IsPathDelimiter(path[i]) || path[i] == ':') return path.left(i + 1);
  return {};
}

QString ExtractFileName(const QString& path) {
  return path.mid(ExtractFilePath(path).size());
}

QString ExtractFileExt(const QString& path) {
  QString name = ExtractFileName(path);
  int dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot);
}

QString ChangeFileExt(const QString& path, const QString& ext) {
  QString name = ExtractFileName(path);
  int dot = name.lastIndexOf('.');
  QString base = path.left(path.size() - name.size()) + (dot < 0 ? name : name.left(dot));
  return base + ext;
}

QString ExpandFileName(const QString& path) {
  if (path.isEmpty()) return {};
  QString p = path;
  p.replace('/', '\\');
  QString abs;
  if (IsUnc(p)) {
    abs = p;
  } else if (IsDriveSpec(p)) {
    QString rest = p.mid(2);
    if (rest.startsWith('\\')) {
      abs = p;
    } else {
      // "C:name" is relative to the current folder when it is on that drive, else to the root.
      QString cur = GetCurrentDir();
      if (IsDriveSpec(cur) && cur[0].toUpper() == p[0].toUpper())
        abs = IncludeTrailingBackslash(cur) + rest;
      else
        abs = p.left(2) + "\\" + rest;
    }
  } else if (p.startsWith('\\')) {
    QString cur = GetCurrentDir();
    QString root;
    QStringList parts;
    SplitAbsolute(cur, root, parts);
    abs = root + p;
  } else {
    abs = IncludeTrailingBackslash(GetCurrentDir()) + p;
  }
  QString root;
  QStringList parts;
  SplitAbsolute(abs, root, parts);
  if (IsDriveSpec(root)) root[0] = root[0].toUpper();
  bool trailing =
      abs.endsWith('\\') && !parts.isEmpty() && parts.last() != "." && parts.last() != "..";
  parts = Normalise(parts);
  QString out = root + "\\" + parts.join('\\');
  if (trailing && !parts.isEmpty()) out += "\\";
  return out;
}

QString TryToHostPath(const QString& winPath) {
  QString abs = ExpandFileName(winPath);
  if (abs.isEmpty()) return {};
  QString root;
  QStringList parts;
  SplitAbsolute(abs, root, parts);
  QString host = RootToHost(root);
  if (host.isEmpty()) return {};
  QString cur = host == "/" ? QString() : host;
  bool exists = true;
  for (const QString& part : Normalise(parts)) {
    QString name = exists ? MatchComponent(cur.isEmpty() ? "/" : cur, part) : part;
    cur += "/" + name;
    if (exists) {
      QFileInfo fi(cur);
      exists = fi.exists() && fi.isDir();
    }
  }
  return cur.isEmpty() ? QString("/") : cur;
}

QString ToHostPath(const QString& winPath) {
  QString host = TryToHostPath(winPath);
  if (host.isEmpty())
    throw Error(QString("The path %1 is on no drive of this machine.").arg(winPath),
                ERROR_PATH_NOT_FOUND);
  return host;
}

QString ToWindowsPath(const QString& hostPath) {
  if (hostPath.isEmpty()) return {};
  QString abs = QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
  // Links are resolved first, so that a path reached through a link is named by the drive it
  // lands on; the literal path is the fallback when no drive maps the resolved one.
  const QString resolved = ResolveLinks(abs);
  for (bool useResolved : {true, false}) {
    const QString& candidate = useResolved ? resolved : abs;
    const Drive* best = nullptr;
    QString bestRoot;
    for (const Drive& d : Machine::Current().drives()) {
      QString root = useResolved ? ResolveLinks(d.hostRoot) : d.hostRoot;
      QString prefix = root == "/" ? root : root + "/";
      if ((candidate == root || candidate.startsWith(prefix)) &&
          (!best || root.size() > bestRoot.size())) {
        best = &d;
        bestRoot = root;
      }
    }
    if (!best) continue;
    QString rest = candidate.mid(bestRoot.size());
    while (rest.startsWith('/')) rest.remove(0, 1);
    rest.replace('/', '\\');
    return QString(best->letter) + ":\\" + rest;
  }
  return {};
}

QString GetCurrentDir() {
  QString& cur = CurrentDirValue();
  if (cur.isEmpty()) {
    cur = ToWindowsPath(QDir::currentPath());
    if (cur.isEmpty()) cur = "C:\\";
  }
  return cur;
}

bool SetCurrentDir(const QString& winPath) {
  QString abs = ExpandFileName(winPath);
  QString host = TryToHostPath(abs);
  if (host.isEmpty() || !QFileInfo(host).isDir()) return false;
  if (::chdir(host.toLocal8Bit().constData()) != 0) return false;
  CurrentDirValue() = ExcludeTrailingBackslash(abs).size() > 2 ? ExcludeTrailingBackslash(abs)
                                                               : IncludeTrailingBackslash(abs);
  return true;
}

void ResetCurrentDir() {
  CurrentDirValue().clear();
}

void FolderNames::Add(const QString& name) {
  exact_.insert(name);
  const QString key = name.toCaseFolded();
  auto it = folded_.find(key);
  if (it == folded_.end() || name < *it) folded_.insert(key, name);
}

QString FolderNames::Lookup(const QString& name) const {
  if (exact_.contains(name)) return name;
  auto it = folded_.find(name.toCaseFolded());
  return it == folded_.end() ? name : *it;
}

FolderNames ListHostFolder(const QString& hostDir) {
  FolderNames names;
  for (const QString& e : QDir(hostDir).entryList(
           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted))
    names.Add(e);
  return names;
}

QString ExecutableHostFolder() {
  return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
}

QString ExecutableFolder() {
  return ToWindowsPath(ExecutableHostFolder());
}

}  // namespace win
