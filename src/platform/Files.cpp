#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/Codepage.h"
#include "platform/NoFollow.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace win {
namespace {

// Hidden, system and archive live in this extended attribute, as a decimal number.
const char kAttrName[] = "user.zarederad.attrib";
constexpr int kXattrBits = faHidden | faSysFile | faArchive;

QByteArray Local(const QString& host) {
  return QFile::encodeName(host);
}

bool HostStat(const QString& host, struct stat& st, bool follow = true) {
  if (host.isEmpty()) return false;
  return (follow ? ::stat(Local(host), &st) : ::lstat(Local(host), &st)) == 0;
}

// The extended bits, or -1 when the file has none (or the file system keeps none).
int ReadXattrBits(const QString& host) {
  char buf[16] = {};
  ssize_t n = ::getxattr(Local(host), kAttrName, buf, sizeof(buf) - 1);
  if (n <= 0) return -1;
  return QByteArray(buf, int(n)).toInt() & kXattrBits;
}

int AttrOf(const QString& host, const struct stat& st) {
  int attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  int bits = ReadXattrBits(host);
  if (bits >= 0)
    attr |= bits;
  else if (!S_ISDIR(st.st_mode))
    attr |= faArchive;  // the platform marks every new or changed file for archiving
  return attr;
}

QDateTime TimeOf(const struct stat& st) {
  return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                        st.st_mtim.tv_nsec / 1000000);
}

bool IsLinkHost(const QString& host) {
  struct stat st;
  return HostStat(host, st, false) && S_ISLNK(st.st_mode);
}

bool IsReadOnlyHost(const QString& host) {
  struct stat st;
  return HostStat(host, st) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool MatchFrom(const QString& m, int i, const QString& n, int j) {
  while (i < m.size()) {
    QChar c = m[i];
    if (c == '*') {
      while (i < m.size() && m[i] == '*') ++i;
      if (i == m.size()) return true;
      for (int k = j; k <= n.size(); ++k)
        if (MatchFrom(m, i, n, k)) return true;
      return false;
    }
    if (c == '?') {
      // At a dot or at the end of the name, "?" matches nothing.
      if (j == n.size() || n[j] == '.') {
        ++i;
        continue;
      }
      ++i;
      ++j;
      continue;
    }
    if (c == '.') {
      // A dot of the mask also matches the end of the name ("EXE.*" matches "EXE").
      if (j == n.size()) {
        ++i;
        continue;
      }
      if (n[j] != '.') return false;
      ++i;
      ++j;
      continue;
    }
    if (j == n.size() || c.toUpper() != n[j].toUpper()) return false;
    ++i;
    ++j;
  }
  return j == n.size();
}

}  // namespace

bool MatchesMask(const QString& name, const QString& mask) {
  if (mask == "*" || mask == "*.*") return true;
  if (mask.endsWith('.') && mask != "." && mask != "..") {
    if (name.contains('.')) return false;
    return MatchFrom(mask.chopped(1), 0, name, 0);
  }
  if (mask == "." || mask == "..") return name == mask;
  return MatchFrom(mask, 0, name, 0);
}

bool FileExists(const QString& path) {
  struct stat st;
  return HostStat(TryToHostPath(path), st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const QString& path) {
  struct stat st;
  return HostStat(TryToHostPath(path), st) && S_ISDIR(st.st_mode);
}

bool CopyFile(const QString& source, const QString& target, bool failIfExists) {
  QString src = TryToHostPath(source), dst = TryToHostPath(target);
  struct stat st;
  if (!HostStat(src, st) || S_ISDIR(st.st_mode) || dst.isEmpty()) return false;
  struct stat dt;
  if (HostStat(dst, dt)) {
    if (failIfExists || S_ISDIR(dt.st_mode) || IsReadOnlyHost(dst)) return false;
  }
  std::error_code ec;
  namespace fs = std::filesystem;
  fs::copy_file(Local(src).toStdString(), Local(dst).toStdString(),
                fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  // An ordinary user can change the extended bits only while the copy is writable; and an
  // overwritten target must not keep the bits it had.
  ::chmod(Local(dst), (st.st_mode & 07777) | S_IWUSR);
  int bits = ReadXattrBits(src);
  if (bits >= 0) {
    QByteArray v = QByteArray::number(bits);
    ::setxattr(Local(dst), kAttrName, v.constData(), v.size(), 0);
  } else {
    ::removexattr(Local(dst), kAttrName);
  }
  ::chmod(Local(dst), st.st_mode & 07777);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::utimensat(AT_FDCWD, Local(dst), times, 0);
  return true;
}

bool CreateDir(const QString& path) {
  QString host = TryToHostPath(path);
  return !host.isEmpty() && ::mkdir(Local(host), 0777) == 0;
}

bool ForceDirectories(const QString& path) {
  if (path.isEmpty()) return false;
  QString host = TryToHostPath(ExcludeTrailingBackslash(path));
  if (host.isEmpty()) return false;
  if (QFileInfo(host).isDir()) return true;
  std::error_code ec;
  std::filesystem::create_directories(Local(host).toStdString(), ec);
  return !ec && QFileInfo(host).isDir();
}

bool DeleteFile(const QString& path) {
  QString host = TryToHostPath(path);
  struct stat st;
  if (!HostStat(host, st, false) || S_ISDIR(st.st_mode)) return false;
  if (!S_ISLNK(st.st_mode) && IsReadOnlyHost(host)) return false;
  return ::unlink(Local(host)) == 0;
}

bool RemoveDir(const QString& path) {
  QString host = TryToHostPath(path);
  return !host.isEmpty() && ::rmdir(Local(host)) == 0;
}

bool RenameFile(const QString& oldName, const QString& newName) {
  QString from = TryToHostPath(oldName), to = TryToHostPath(newName);
  struct stat st;
  if (!HostStat(from, st, false) || to.isEmpty()) return false;
  // Renaming to another case of the same name resolves to the same entry: let it through.
  if (HostStat(to, st, false) && from != to) return false;
  if (from == to) to = QFileInfo(to).absolutePath() + "/" + ExtractFileName(newName);
  return ::rename(Local(from), Local(to)) == 0;
}

int FileGetAttr(const QString& path) {
  QString host = TryToHostPath(path);
  struct stat st;
  if (!HostStat(host, st)) return -1;
  return AttrOf(host, st);
}

int FileSetAttr(const QString& path, int attr) {
  QString host = TryToHostPath(path);
  struct stat st;
  if (!HostStat(host, st)) return ERROR_FILE_NOT_FOUND;
  mode_t mode = st.st_mode & 07777;
  if (attr & faReadOnly)
    mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    mode |= S_IWUSR;
  // An ordinary user may change the extended attribute only while the file is writable.
  bool writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  if (!writable && ::chmod(Local(host), mode | S_IWUSR) != 0) return ErrorFromErrno(errno);
  QByteArray v = QByteArray::number(attr & kXattrBits);
  int result = 0;
  if (::setxattr(Local(host), kAttrName, v.constData(), v.size(), 0) != 0 &&
      !((errno == ENOTSUP || errno == EOPNOTSUPP) && !(attr & (faHidden | faSysFile))))
    result = ErrorFromErrno(errno);
  if (result != 0) mode = st.st_mode & 07777;  // leave the file as it was
  if (::chmod(Local(host), mode) != 0 && result == 0) result = ErrorFromErrno(errno);
  return result;
}

int FileSetAttrOfHandle(int fd, int attr) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return ErrorFromErrno(errno);
  QByteArray v = QByteArray::number(attr & kXattrBits);
  if (::fsetxattr(fd, kAttrName, v.constData(), v.size(), 0) != 0 &&
      !((errno == ENOTSUP || errno == EOPNOTSUPP) && !(attr & (faHidden | faSysFile))))
    return ErrorFromErrno(errno);
  mode_t mode = st.st_mode & 07777;
  if (attr & faReadOnly) mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  return ::fchmod(fd, mode) == 0 ? 0 : ErrorFromErrno(errno);
}

QDateTime FileModified(const QString& path) {
  struct stat st;
  if (!HostStat(TryToHostPath(path), st)) return {};
  return TimeOf(st);
}

bool SetFileModified(const QString& path, const QDateTime& localTime) {
  QString host = TryToHostPath(path);
  if (host.isEmpty() || !localTime.isValid()) return false;
  qint64 ms = localTime.toMSecsSinceEpoch();
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = 0;
  // Floor division: a time before 1970 still needs a nanosecond part in [0, 1e9).
  qint64 sec = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
  times[1].tv_sec = sec;
  times[1].tv_nsec = (ms - sec * 1000) * 1000000;
  return ::utimensat(AT_FDCWD, Local(host), times, 0) == 0;
}

qint64 FileSize(const QString& path) {
  struct stat st;
  if (!HostStat(TryToHostPath(path), st) || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

QList<TSearchRec> FindFiles(const QString& pathMask, int attr) {
  QList<TSearchRec> result;
  QString folder = ExtractFilePath(pathMask);
  QString mask = ExtractFileName(pathMask);
  if (mask.isEmpty()) return result;
  QString hostDir = TryToHostPath(folder.isEmpty() ? QString(".") : folder);
  if (hostDir.isEmpty()) return result;
  QDir dir(hostDir);
  if (!dir.exists()) return result;
  const int special = faHidden | faSysFile | faVolumeID | faDirectory;
  auto consider = [&](const QString& name, const QString& host, bool linkAsPlain) {
    if (!MatchesMask(name, mask)) return;
    struct stat st;
    TSearchRec rec;
    rec.Name = name;
    if (linkAsPlain) {
      struct stat lst;
      if (!HostStat(host, lst, false)) return;
      bool isLink = S_ISLNK(lst.st_mode);
      if (!HostStat(host, st)) st = lst;  // a dangling link is a plain entry
      rec.Attr = AttrOf(host, st);
      if (isLink) rec.Attr &= ~faDirectory;
    } else {
      if (!HostStat(host, st)) return;
      rec.Attr = AttrOf(host, st);
    }
    if ((rec.Attr & special & ~attr) != 0) return;
    rec.Size = (rec.Attr & faDirectory) ? 0 : st.st_size;
    rec.Time = TimeOf(st);
    result.append(rec);
  };
  // "C:" or "\\srv\share" once expanded: a root, which has no "." and "..".
  QString abs = ExcludeTrailingBackslash(ExpandFileName(folder.isEmpty() ? "." : folder));
  bool isRoot = abs.startsWith("\\\\") ? abs.count('\\') <= 3 : abs.size() <= 2;
  if (!isRoot) {
    consider(".", hostDir, false);
    consider("..", hostDir + "/..", false);
  }
  QStringList names = dir.entryList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  for (const QString& name : names) consider(name, hostDir + "/" + name, true);
  return result;
}

QString ReadTextFile(const QString& path) {
  WinFile f(path, WinFile::Read);
  QByteArray data;
  char buf[65536];
  qint64 n;
  while ((n = f.read(buf, sizeof buf)) > 0) data.append(buf, n);
  return AnsiToUnicode(data);
}

QStringList ReadTextLines(const QString& path) {
  QString text = ReadTextFile(path);
  QStringList lines;
  QString cur;
  for (int i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == '\r' || c == '\n') {
      lines.append(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.append(c);
    }
  }
  if (!cur.isEmpty()) lines.append(cur);
  return lines;
}

QString ReadFirstLine(const QString& path) {
  QStringList lines = ReadTextLines(path);
  return lines.isEmpty() ? QString() : lines.first();
}

void WriteTextFile(const QString& path, const QString& text) {
  WinFile f(path, WinFile::Create);
  QByteArray data = UnicodeToAnsi(text);
  f.write(data.constData(), data.size());
  f.close();
}

WinFile::WinFile(const QString& path, Mode mode) : path_(path) {
  QString host = TryToHostPath(path);
  if (host.isEmpty()) throw EInOutError(ERROR_PATH_NOT_FOUND, path);
  int flags = O_CLOEXEC;
  switch (mode) {
    case Read:
      flags |= O_RDONLY;
      break;
    case Create:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case Append:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    case CreateNoFollow:
    case AppendNoFollow:
      break;
  }
  const bool noFollow = mode == CreateNoFollow || mode == AppendNoFollow;
  if (mode != Read && IsReadOnlyHost(host) && !(noFollow && IsLinkHost(host)))
    throw EInOutError(ERROR_ACCESS_DENIED, path);
  fd_ = noFollow ? OpenForWritingNoFollow(host, mode == AppendNoFollow)
                 : ::open(Local(host), flags, 0666);
  if (fd_ < 0 && errno == ELOOP && noFollow)
    throw Error(LinkRefusedText(path), ERROR_ACCESS_DENIED);
  if (fd_ < 0) {
    int err = errno;
    bool parentMissing = err == ENOENT && !QFileInfo(QFileInfo(host).absolutePath()).isDir();
    throw EInOutError(ErrorFromErrno(err, parentMissing), path);
  }
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EInOutError(ERROR_ACCESS_DENIED, path);
  }
}

WinFile::~WinFile() {
  if (fd_ >= 0) ::close(fd_);
}

qint64 WinFile::read(char* buffer, qint64 size) {
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size_t(size));
    if (n >= 0) return n;
    if (errno != EINTR) throw EInOutError(ErrorFromErrno(errno), path_);
  }
}

void WinFile::write(const char* data, qint64 size) {
  while (size > 0) {
    ssize_t n = ::write(fd_, data, size_t(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(ErrorFromErrno(errno), path_);
    }
    data += n;
    size -= n;
  }
}

qint64 WinFile::size() const {
  struct stat st;
  return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

void WinFile::close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw EInOutError(ErrorFromErrno(errno), path_);
}

}  // namespace win
