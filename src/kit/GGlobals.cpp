#include "kit/GGlobals.h"

#include <QFileInfo>

#include "platform/Paths.h"

QString RunFolder;
bool Win10Style = false;

namespace {
int StartupCount = 0;
}

void KitStartup() {
  if (StartupCount++ > 0) return;
  QString exe = QFileInfo("/proc/self/exe").canonicalFilePath();
  QString folder = win::ToWindowsPath(QFileInfo(exe).absolutePath());
  RunFolder = folder.isEmpty() ? QString() : win::IncludeTrailingBackslash(folder);
}

void KitShutdown() {
  if (StartupCount == 0 || --StartupCount > 0) return;
}
