#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/WinError.h"

namespace win {

void (*AtomicWriteHook)(const char* step) = nullptr;

namespace {

constexpr int kDefaultWaitMs = 30000;
constexpr int kRandomChars = 6;

void Hook(const char* step) {
  if (AtomicWriteHook) AtomicWriteHook(step);
}

[[noreturn]] void Fail(const QString& hostPath, int err) {
  throw Error(QString("Cannot save %1: %2").arg(hostPath, QString::fromLocal8Bit(strerror(err))),
              ErrorFromErrno(err));
}

QString TemporaryPrefix(const QString& fileName) {
  return "." + fileName + ".";
}

QString RandomName(const QString& fileName) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  QString name = TemporaryPrefix(fileName);
  for (int i = 0; i < kRandomChars; ++i)
    name += QChar(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
  return name;
}

// Removes what saves of fileName that died left in the folder. Only for the lock's holder.
void RemoveDeadTemporaries(int dirFd, const QString& fileName) {
  int fd = ::dup(dirFd);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  while (dirent* e = ::readdir(dir)) {
    if (IsSaveTemporary(fileName, QFile::decodeName(e->d_name))) ::unlinkat(dirFd, e->d_name, 0);
  }
  ::closedir(dir);
}

bool WriteAll(int fd, const QByteArray& data) {
  constexpr qsizetype kChunk = 4096;
  for (qsizetype done = 0; done < data.size();) {
    ssize_t n = ::write(fd, data.constData() + done, size_t(qMin(kChunk, data.size() - done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += n;
    Hook("chunk");
  }
  return true;
}

}  // namespace

int StoreLockWaitMs() {
  bool ok = false;
  int ms = qEnvironmentVariableIntValue("ZAREDERAD_STORE_WAIT_MS", &ok);
  return ok && ms >= 0 ? ms : kDefaultWaitMs;
}

bool IsSaveTemporary(const QString& fileName, const QString& name) {
  const QString prefix = TemporaryPrefix(fileName);
  return name.size() == prefix.size() + kRandomChars && name.startsWith(prefix);
}

FileLock::FileLock(const QString& hostPath, const QString& storeName) {
  QFileInfo info(hostPath);
  fd_ = ::open(QFile::encodeName(info.absolutePath()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  using Clock = std::chrono::steady_clock;
  const int waitMs = StoreLockWaitMs();
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  auto pause = std::chrono::milliseconds(1);
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {  // a file system without locks: go on as before
      ::close(fd_);
      fd_ = -1;
      return;
    }
    const auto now = Clock::now();
    if (now >= deadline) {
      ::close(fd_);
      fd_ = -1;
      // Short enough for the engine's 127 characters with a long path in front.
      throw Error(QString("%1 stayed locked by another process for %2 seconds.")
                      .arg(storeName.isEmpty() ? hostPath : storeName)
                      .arg(waitMs / 1000.0, 0, 'g', 3),
                  ERROR_SHARING_VIOLATION);
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  RemoveDeadTemporaries(fd_, info.fileName());
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

CompleteFile::~CompleteFile() {
  Discard();
}

void CompleteFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.isEmpty()) ::unlinkat(dirFd_, temp_.constData(), 0);
  temp_.clear();
  open_ = false;
}

int CompleteFile::Open(int dirFd, const QByteArray& name, mode_t mode, Namer namer, bool unnamed) {
  Discard();
  dirFd_ = dirFd;
  name_ = name;
  namer_ = std::move(namer);
  if (unnamed) {
    fd_ = ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    // Only a file system without unnamed files falls back; any other failure is the answer.
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
      return errno;
  }
  for (int attempt = 0; fd_ < 0; ++attempt) {
    const QByteArray candidate = namer_();
    fd_ = ::openat(dirFd, candidate.constData(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ >= 0)
      temp_ = candidate;
    else if (errno != EEXIST || attempt > 100)
      return errno;
  }
  open_ = true;
  return 0;
}

int CompleteFile::Commit(bool sync) {
  auto fail = [this](int err) {
    Discard();
    return err;
  };
  if (sync && ::fsync(fd_) != 0) return fail(errno);
  Hook("synced");
  if (temp_.isEmpty()) {
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_);
    // Without /proc the descriptor links by itself (which needs a privilege).
    auto linkAs = [&](const QByteArray& as) {
      if (::linkat(AT_FDCWD, proc, dirFd_, as.constData(), AT_SYMLINK_FOLLOW) == 0) return 0;
      if (errno == EEXIST) return EEXIST;
      const int err = errno;
      if (::linkat(fd_, "", dirFd_, as.constData(), AT_EMPTY_PATH) == 0) return 0;
      return errno == EEXIST ? EEXIST : err;
    };
    int err = linkAs(name_);
    if (err == 0) {
      Hook("named");
      Hook("renamed");
    } else if (err != EEXIST) {
      return fail(err);
    } else {
      // Something is there: a temporary name first, then a rename over it.
      for (int attempt = 0; temp_.isEmpty(); ++attempt) {
        const QByteArray candidate = namer_();
        err = linkAs(candidate);
        if (err == 0)
          temp_ = candidate;
        else if (err != EEXIST || attempt > 100)
          return fail(err);
      }
    }
  }
  if (!temp_.isEmpty()) {
    Hook("named");
    if (::renameat(dirFd_, temp_.constData(), dirFd_, name_.constData()) != 0) return fail(errno);
    temp_.clear();
    Hook("renamed");
  }
  const int fd = fd_;
  fd_ = -1;
  open_ = false;
  if (::close(fd) != 0) return errno;
  // The new name itself must reach the disk too.
  if (sync) ::fsync(dirFd_);
  return 0;
}

void AtomicWriteFile(const QString& hostPath, const QByteArray& data) {
  QFileInfo info(hostPath);
  const QString folder = info.absolutePath();
  const QByteArray target = QFile::encodeName(hostPath);
  mode_t mode = 0666 & ~[] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  struct stat st;
  if (::stat(target, &st) == 0) {
    if (::access(target, W_OK) != 0) Fail(hostPath, EACCES);
    mode = st.st_mode & 07777;
  }
  const int dir = ::open(QFile::encodeName(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) Fail(hostPath, errno);
  struct CloseDir {
    int fd;
    ~CloseDir() { ::close(fd); }
  } closeDir{dir};
  const QString fileName = info.fileName();
  CompleteFile file;
  int err = file.Open(dir, QFile::encodeName(fileName), mode,
                      [&] { return QFile::encodeName(RandomName(fileName)); });
  // The mode as computed, whatever the umask says: a replaced file keeps its own.
  if (err == 0 && ::fchmod(file.fd(), mode) != 0) err = errno;
  if (err == 0 && !WriteAll(file.fd(), data)) err = errno;
  if (err == 0) err = file.Commit(true);
  if (err != 0) Fail(hostPath, err);
}

}  // namespace win
