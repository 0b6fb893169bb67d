#pragma once
// Stores that other processes of the machine share (the registry, the engine's configuration)
// are replaced whole under a lock, so that a reader never sees half a file and two writers
// never lose each other's changes. Neither the lock nor a save leaves a file of its own behind:
// the folder shared with other programs holds the store and nothing else.
#include <QByteArray>
#include <QString>

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
