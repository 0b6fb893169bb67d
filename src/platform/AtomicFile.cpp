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

QString TemporaryPrefix(const QString& fileName) { return "." + fileName + "."; }

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
    if (IsSaveTemporary(fileName, QFile::decodeName(e->d_name)))
      ::unlinkat(dirFd, e->d_name, 0);
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
  return ::fsync(fd) == 0;
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

void AtomicWriteFile(const QString& hostPath, const QByteArray& data) {
  const QByteArray target = QFile::encodeName(hostPath);
  QFileInfo info(hostPath);
  const QString folder = info.absolutePath();
  mode_t mode = 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }();
  struct stat st;
  if (::stat(target, &st) == 0) {
    if (::access(target, W_OK) != 0) Fail(hostPath, EACCES);
    mode = st.st_mode & 07777;
  }

  QByteArray temp;
  // Unnamed first: a save killed before it is complete leaves nothing behind.
  int fd = ::open(QFile::encodeName(folder), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (fd >= 0) {
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, data)) {
      int err = errno;
      ::close(fd);
      Fail(hostPath, err);
    }
    Hook("synced");
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100 && temp.isEmpty(); ++attempt) {
      QByteArray candidate = QFile::encodeName(folder + "/" + RandomName(info.fileName()));
      if (::linkat(AT_FDCWD, self, AT_FDCWD, candidate, AT_SYMLINK_FOLLOW) == 0)
        temp = candidate;
      else if (errno != EEXIST)
        break;
    }
    ::close(fd);  // when it could not be named, it goes with its descriptor
  }
  if (temp.isEmpty()) {
    // A file system without unnamed files: the temporary file has its name from the start.
    temp = QFile::encodeName(folder + "/" + TemporaryPrefix(info.fileName()) +
                             QString(kRandomChars, 'X'));
    fd = ::mkstemp(temp.data());
    if (fd < 0) Fail(hostPath, errno);
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, data)) {
      int err = errno;
      ::close(fd);
      ::unlink(temp.constData());
      Fail(hostPath, err);
    }
    if (::close(fd) != 0) {
      int err = errno;
      ::unlink(temp.constData());
      Fail(hostPath, err);
    }
    Hook("synced");
  }
  Hook("named");
  if (::rename(temp.constData(), target) != 0) {
    int err = errno;
    ::unlink(temp.constData());
    Fail(hostPath, err);
  }
  Hook("renamed");
  // The rename itself must reach the disk too.
  int dir = ::open(QFile::encodeName(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace win
