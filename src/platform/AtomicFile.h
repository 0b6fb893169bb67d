#pragma once
// Stores that other processes of the machine share (the registry, the engine's configuration)
// are replaced whole under a lock, so that a reader never sees half a file and two writers
// never lose each other's changes. Neither the lock nor a save leaves a file of its own behind:
// the folder shared with other programs holds the store and nothing else.
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <functional>

namespace win {

// How long a writer waits for another one before it gives up, in milliseconds: the environment
// variable ZAREDERAD_STORE_WAIT_MS (so that a registry editor started by the program waits as
// long), else 30 seconds.
int StoreLockWaitMs();

// An exclusive advisory lock on the folder of hostPath, held while the object lives. The folder
// itself is locked, not a side file: nothing is created, and the lock goes with its process, so
// a writer that died never blocks the next one. Waits StoreLockWaitMs() for another holder, then
// throws win::Error naming the store (storeName, else hostPath). Once the lock is held, the
// temporary files that a save of hostPath killed halfway left in the folder are removed: only
// the holder of the lock writes them. A folder that cannot be opened is not locked; the save
// that follows fails with its own error.
class FileLock {
 public:
  explicit FileLock(const QString& hostPath, const QString& storeName = {});
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A file that appears under its name complete or not at all: written without a name (an unnamed
// file of its folder, which goes with the process if it dies) and linked in by Commit, under its
// name when that is free, else under a hidden temporary name renamed over what is there (a file
// or a link, replaced itself and never written through). Where the file system cannot make
// unnamed files, the file has the temporary name from the start and the destructor removes it
// unless committed. Failures are errno values, for the caller to word.
class CompleteFile {
 public:
  // A fresh hidden temporary name in the folder at each call.
  using Namer = std::function<QByteArray()>;

  CompleteFile() = default;
  ~CompleteFile();
  CompleteFile(const CompleteFile&) = delete;
  CompleteFile& operator=(const CompleteFile&) = delete;

  // Opens the file name of the folder dirFd (which stays the caller's and open until Commit) for
  // writing, with mode. unnamed false: straight to a temporary name. 0 or errno.
  int Open(int dirFd, const QByteArray& name, mode_t mode, Namer namer, bool unnamed = true);
  int fd() const { return fd_; }
  // Whether the file is unnamed (false after a file system refused it: ask no more there).
  bool Unnamed() const { return open_ && temp_.isEmpty(); }
  // Flushes to disk when sync, names the file and closes it. 0 or errno; on an error nothing of
  // it stays.
  int Commit(bool sync);

 private:
  void Discard();
  int dirFd_ = -1;
  int fd_ = -1;
  bool open_ = false;
  QByteArray name_;
  QByteArray temp_;  // the temporary name the file has now, if any
  Namer namer_;
};

// Replaces a host file by data: an unnamed temporary file in the same folder is written, flushed
// to disk, given a hidden name (".NAME.XXXXXX") and renamed over the old one, so the file is
// always either the old or the new content, and a save killed before the rename leaves nothing
// (where the file system cannot make unnamed files, the temporary file is named from the start).
// An existing read-only file is refused. Throws win::Error with a readable message.
void AtomicWriteFile(const QString& hostPath, const QByteArray& data);

// Whether name is the name of a temporary file of a save of fileName.
bool IsSaveTemporary(const QString& fileName, const QString& name);

// For fault-injection tests only: called at each step of AtomicWriteFile ("chunk" after each
// piece of the temporary file, "synced" once it is on disk, "named" once it has its hidden name,
// "renamed" after the rename).
extern void (*AtomicWriteHook)(const char* step);

}  // namespace win
