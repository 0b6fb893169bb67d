#include "platform/NoFollow.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <memory>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace win {
namespace {

QByteArray Raw(const QString& name) {
  return QFile::encodeName(name);
}

bool Writable(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

TEntryKind KindOf(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return TEntryKind::Link;
  if (S_ISDIR(st.st_mode)) return TEntryKind::Folder;
  if (S_ISREG(st.st_mode)) return TEntryKind::File;
  return TEntryKind::Other;
}

// The names of a folder held by descriptor ("." and ".." left out).
QStringList Names(int dirFd) {
  QStringList names;
  int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return names;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return names;
  }
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray n(e->d_name);
    if (n == "." || n == "..") continue;
    names << QFile::decodeName(n);
  }
  ::closedir(dir);
  names.sort(Qt::CaseInsensitive);
  return names;
}

[[noreturn]] void CopyFailed(const QString& shownTo, const QString& entry, int err) {
  throw Error(QString("Fisierul %1 nu poate fi copiat (eroarea de sistem %2).")
                  .arg(JoinPath(shownTo, entry))
                  .arg(err),
              ErrorFromErrno(err));
}

// Copies the bytes, mode, times and (unless writable) the extended attributes of a file.
int CopyFileAt(int fromDir, const QByteArray& name, int toDir, const struct stat& st,
               bool writable) {
  const int in = ::openat(fromDir, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return errno;
  const int out =
      ::openat(toDir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    return err;
  }
  int err = 0;
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    const ssize_t n = ::read(in, buffer.get(), 1 << 16);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      break;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer.get() + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        err = errno;
        break;
      }
      done += w;
    }
    if (err) break;
  }
  if (!err && !writable) {
    char names[4096];
    const ssize_t len = ::flistxattr(in, names, sizeof names);
    for (ssize_t i = 0; i < len; i += ssize_t(strlen(names + i)) + 1) {
      char value[256];
      const ssize_t v = ::fgetxattr(in, names + i, value, sizeof value);
      if (v >= 0) ::fsetxattr(out, names + i, value, size_t(v), 0);
    }
  }
  mode_t mode = st.st_mode & 07777;
  if (writable) mode |= S_IWUSR;
  if (!err && ::fchmod(out, mode) != 0) err = errno;
  if (!err && writable) err = FileSetAttrOfHandle(out, 0) == 0 ? 0 : EIO;  // no DOS attribute
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (!err) ::futimens(out, times);
  if (::close(out) != 0 && !err) err = errno;
  ::close(in);
  if (err) ::unlinkat(toDir, name.constData(), 0);
  return err;
}

void CopyEntries(int fromDir, int toDir, const QString& shownTo, const QString& prefix,
                 const TCopyTreeRule& rule) {
  for (const QString& name : Names(fromDir)) {
    const QByteArray raw = Raw(name);
    struct stat st;
    if (::fstatat(fromDir, raw.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const TEntryKind kind = KindOf(st);
    const QString relative = prefix + name;
    const TCopyRule what = rule(relative, kind, kind == TEntryKind::File && !Writable(st));
    if (what == TCopyRule::Skip || kind == TEntryKind::Other) continue;
    if (kind == TEntryKind::Folder) {
      const int sub =
          ::openat(fromDir, raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) CopyFailed(shownTo, relative, errno);
      const TDirHandle from(sub);
      if (::mkdirat(toDir, raw.constData(), (st.st_mode & 07777) | S_IRWXU) != 0)
        CopyFailed(shownTo, relative, errno);
      const int made =
          ::openat(toDir, raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (made < 0) CopyFailed(shownTo, relative, errno);
      const TDirHandle to(made);
      CopyEntries(from.fd(), to.fd(), shownTo, relative + "\\", rule);
      continue;
    }
    if (kind == TEntryKind::Link) {
      char target[4096];
      const ssize_t n = ::readlinkat(fromDir, raw.constData(), target, sizeof target - 1);
      if (n < 0) CopyFailed(shownTo, relative, errno);
      target[n] = '\0';
      if (::symlinkat(target, toDir, raw.constData()) != 0) CopyFailed(shownTo, relative, errno);
      continue;
    }
    if (what == TCopyRule::Keep &&
        ::linkat(fromDir, raw.constData(), toDir, raw.constData(), 0) == 0)
      continue;
    if (const int err = CopyFileAt(fromDir, raw, toDir, st, what == TCopyRule::CopyWritable))
      CopyFailed(shownTo, relative, err);
  }
}

}  // namespace

TDirHandle::~TDirHandle() {
  if (fd_ >= 0) ::close(fd_);
}

TDirHandle& TDirHandle::operator=(TDirHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

TDirHandle OpenUserFolder(const QString& path) {
  const QString host = TryToHostPath(ExcludeTrailingBackslash(path));
  if (host.isEmpty()) throw EInOutError(ERROR_PATH_NOT_FOUND, path);
  const int fd = ::open(Raw(host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return TDirHandle();
    throw EInOutError(ErrorFromErrno(errno, true), path);
  }
  return TDirHandle(fd);
}

TEntryKind EntryKind(const TDirHandle& dir, const QString& name) {
  struct stat st;
  if (::fstatat(dir.fd(), Raw(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return TEntryKind::Missing;
  return KindOf(st);
}

QString RealName(const TDirHandle& dir, const QString& name) {
  FolderNames names;
  for (const QString& n : Names(dir.fd())) names.Add(n);
  return names.Lookup(name);
}

QString LinkRefusedText(const QString& shownPath) {
  return QString(
             "%1 este o legatura simbolica; programul de instalare nu scrie si nu sterge nimic "
             "prin ea.")
      .arg(shownPath);
}

TDirHandle OpenSubfolder(const TDirHandle& dir, const QString& name, const QString& shownPath) {
  const QByteArray raw = Raw(name);
  const int fd =
      ::openat(dir.fd(), raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) return TDirHandle(fd);
  const int err = errno;
  switch (EntryKind(dir, name)) {
    case TEntryKind::Missing:
      return TDirHandle();
    case TEntryKind::Link:
      throw Error(LinkRefusedText(shownPath), ERROR_ACCESS_DENIED);
    case TEntryKind::Folder:
      throw EInOutError(ErrorFromErrno(err, true), shownPath);
    default:
      throw Error(QString("%1 trebuie sa fie un director, dar este un fisier.").arg(shownPath),
                  ERROR_ACCESS_DENIED);
  }
}

TDirHandle MakeSubfolder(const TDirHandle& dir, const QString& name, const QString& shownPath) {
  if (::mkdirat(dir.fd(), Raw(name).constData(), 0777) != 0)
    throw EInOutError(ErrorFromErrno(errno, true), shownPath);
  TDirHandle made = OpenSubfolder(dir, name, shownPath);
  if (!made.valid()) throw EInOutError(ERROR_PATH_NOT_FOUND, shownPath);
  return made;
}

bool RemoveTree(const TDirHandle& dir, const QString& name) {
  const QByteArray raw = Raw(name);
  struct stat st;
  if (::fstatat(dir.fd(), raw.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dir.fd(), raw.constData(), 0) == 0;
  const int fd =
      ::openat(dir.fd(), raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  {
    const TDirHandle sub(fd);
    for (const QString& n : Names(sub.fd())) RemoveTree(sub, n);
  }
  return ::unlinkat(dir.fd(), raw.constData(), AT_REMOVEDIR) == 0;
}

void CopyTree(const TDirHandle& from, const TDirHandle& to, const QString& shownTo,
              const TCopyTreeRule& rule) {
  CopyEntries(from.fd(), to.fd(), shownTo, QString(), rule);
}

int ExchangeEntries(const TDirHandle& fromDir, const QString& from, const TDirHandle& toDir,
                    const QString& to) {
  const QByteArray f = Raw(from), t = Raw(to);
  if (::syscall(SYS_renameat2, fromDir.fd(), f.constData(), toDir.fd(), t.constData(),
                RENAME_EXCHANGE) == 0)
    return 0;
  if (errno == ENOENT) {
    struct stat st;
    if (::fstatat(toDir.fd(), t.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
      return ::renameat(fromDir.fd(), f.constData(), toDir.fd(), t.constData()) == 0 ? 0 : errno;
    return ENOENT;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system that cannot exchange: the old entry steps aside first, for a moment.
  const QByteArray aside = t + ".old";
  if (::renameat(toDir.fd(), t.constData(), fromDir.fd(), aside.constData()) != 0) return errno;
  if (::renameat(fromDir.fd(), f.constData(), toDir.fd(), t.constData()) != 0) {
    const int err = errno;
    ::renameat(fromDir.fd(), aside.constData(), toDir.fd(), t.constData());
    return err;
  }
  return ::renameat(fromDir.fd(), aside.constData(), fromDir.fd(), f.constData()) == 0 ? 0 : errno;
}

int RenameEntry(const TDirHandle& dir, const QString& from, const QString& to) {
  const QByteArray f = Raw(from), t = Raw(to);
  if (::syscall(SYS_renameat2, dir.fd(), f.constData(), dir.fd(), t.constData(),
                RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  struct stat st;
  if (::fstatat(dir.fd(), t.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return ::renameat(dir.fd(), f.constData(), dir.fd(), t.constData()) == 0 ? 0 : errno;
}

int OpenForWritingNoFollow(const QString& hostPath, bool append) {
  const QByteArray raw = Raw(hostPath);
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  int fd = ::open(raw.constData(), flags, 0666);
  if (fd >= 0 || errno != ELOOP || append) return fd;
  // A link where the file goes: the link goes, never its target.
  struct stat st;
  if (::lstat(raw.constData(), &st) != 0 || !S_ISLNK(st.st_mode) ||
      ::unlink(raw.constData()) != 0) {
    errno = ELOOP;
    return -1;
  }
  return ::open(raw.constData(), flags | O_EXCL, 0666);
}

QString PathBelow(const QString& base, const QString& path) {
  auto resolved = [](const QString& winPath) {
    const QString host = TryToHostPath(ExcludeTrailingBackslash(winPath));
    if (host.isEmpty()) return QString();
    const QString canonical = QFileInfo(host).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(host).absoluteFilePath()) : canonical;
  };
  const QString b = resolved(base), p = resolved(path);
  if (b.isEmpty() || p.isEmpty()) return QString();
  if (p == b) return QString("");
  const QString prefix = b.endsWith('/') ? b : b + '/';
  if (!p.startsWith(prefix)) return QString();
  return p.mid(prefix.size()).replace('/', '\\') + '\\';
}

}  // namespace win
