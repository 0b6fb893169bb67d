#pragma once
// Helpers for tests of the engine: a machine whose registry names an engine configuration file.
#include <QString>

#include "common/TestMachine.h"
#include "platform/Idapi.h"

// Leaves the engine completely and forgets that this process initialised it.
void ResetEngine();

// Writes cfgText as the engine's configuration file C:\BDE\IDAPI32.CFG and names it in the
// registry. Returns the host path of the file.
QString InstallEngineConfig(TestMachine& machine, const QByteArray& cfgText = "");

// Where tests leave pictures of what they show: "screens" in the build folder.
QString ScreenFile(const QString& name);

// Every entry of a host folder, hidden ones too, sorted by name without regard to case: what a
// store left beside itself.
QStringList FolderEntries(const QString& hostFolder);

// Holds the lock of a store's folder as another process that never lets go would, and makes
// writers give up after waitMs (ZAREDERAD_STORE_WAIT_MS, which child processes inherit) while
// it lives.
class HeldStoreLock {
 public:
  HeldStoreLock(const QString& hostFolder, int waitMs);
  ~HeldStoreLock();

 private:
  int fd_ = -1;
  QByteArray oldWait_;
  bool hadWait_ = false;
};
