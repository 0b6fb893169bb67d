#include "platform/Library.h"

#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>

#include "platform/Paths.h"

namespace win {

namespace {
QString& LastError() {
  static QString error;
  return error;
}
}  // namespace

HMODULE LoadLibrary(const QString& winPath) {
  const QString host = TryToHostPath(winPath);
  if (host.isEmpty() || !QFileInfo(host).isFile()) {
    LastError() = QString("%1: no such file").arg(winPath);
    return nullptr;
  }
  // Every symbol is bound now: a library that lacks what it needs fails here, not in a call.
  // Its symbols stay its own, so that two libraries never see each other's.
  void* module = dlopen(QFile::encodeName(host).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    LastError() =
        QString("%1: %2").arg(winPath, why ? QString::fromLocal8Bit(why) : "not a library");
  }
  return module;
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

bool FreeLibrary(HMODULE module) {
  return module && dlclose(module) == 0;
}

QString LibraryError() {
  return LastError();
}

}  // namespace win
