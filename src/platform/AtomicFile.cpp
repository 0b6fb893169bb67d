#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/WinError.h"

namespace win {

void (*AtomicWriteHook)(const char* step) = nullptr;

namespace {

void Hook(const char* step) {
  if (AtomicWriteHook) AtomicWriteHook(step);
}

[[noreturn]] void Fail(const QString& hostPath, int err) {
  throw Error(QString("Cannot save %1: %2").arg(hostPath, QString::fromLocal8Bit(strerror(err))),
              ErrorFromErrno(err));
}

}  // namespace

FileLock::FileLock(const QString& hostPath) {
  fd_ = ::open(QFile::encodeName(hostPath + ".lock"), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

void AtomicWriteFile(const QString& hostPath, const QByteArray& data) {
  const QByteArray target = QFile::encodeName(hostPath);
  QFileInfo info(hostPath);
  mode_t mode = 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }();
  struct stat st;
  if (::stat(target, &st) == 0) {
    if (::access(target, W_OK) != 0) Fail(hostPath, EACCES);
    mode = st.st_mode & 07777;
  }
  QByteArray temp = QFile::encodeName(info.absolutePath() + "/." + info.fileName() + ".XXXXXX");
  int fd = ::mkstemp(temp.data());
  if (fd < 0) Fail(hostPath, errno);
  auto abandon = [&](int err) {
    ::close(fd);
    ::unlink(temp.constData());
    Fail(hostPath, err);
  };
  if (::fchmod(fd, mode) != 0) abandon(errno);
  constexpr qsizetype kChunk = 4096;
  for (qsizetype done = 0; done < data.size();) {
    ssize_t n = ::write(fd, data.constData() + done, size_t(qMin(kChunk, data.size() - done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    done += n;
    Hook("chunk");
  }
  if (::fsync(fd) != 0) abandon(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.constData());
    Fail(hostPath, err);
  }
  Hook("synced");
  if (::rename(temp.constData(), target) != 0) {
    int err = errno;
    ::unlink(temp.constData());
    Fail(hostPath, err);
  }
  Hook("renamed");
  // The rename itself must reach the disk too.
  int dir = ::open(QFile::encodeName(info.absolutePath()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace win
