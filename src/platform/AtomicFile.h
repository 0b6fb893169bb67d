#pragma once
// Stores that other processes of the machine share (the registry, the engine's configuration)
// are replaced whole under a lock, so that a reader never sees half a file and two writers
// never lose each other's changes.
#include <QByteArray>
#include <QString>

namespace win {

// An exclusive lock on the side file hostPath + ".lock", held while the object lives. Waits for
// other holders. Without a lock file (read-only folder) the lock is simply not taken; the save
// that follows fails with its own error.
class FileLock {
 public:
  explicit FileLock(const QString& hostPath);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Replaces a host file by data: a temporary file in the same folder is written, flushed to disk
// and renamed over the old one, so the file is always either the old or the new content. An
// existing read-only file is refused. Throws win::Error with a readable message.
void AtomicWriteFile(const QString& hostPath, const QByteArray& data);

// For fault-injection tests only: called at each step of AtomicWriteFile ("chunk" after each
// piece of the temporary file, "synced" before the rename, "renamed" after it).
extern void (*AtomicWriteHook)(const char* step);

}  // namespace win
