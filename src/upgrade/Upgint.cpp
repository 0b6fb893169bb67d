#include "upgrade/Upgint.h"

#include <cstring>

#include "kit/GGlobals.h"
#include "platform/Codepage.h"
#include "platform/Library.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "upgrade/UpgradeApi.h"

namespace {

struct TUpgradeLibrary {
  win::HMODULE handle = nullptr;
  decltype(&GetAliasPath) getAliasPath = nullptr;
  decltype(&SetReportProc) setReportProc = nullptr;
  decltype(&DoStructureUpgrade) doStructureUpgrade = nullptr;
  decltype(&DoListUpgrade) doListUpgrade = nullptr;
  decltype(&DoConstUpgrade) doConstUpgrade = nullptr;
  decltype(&GetSemaforOK) getSemaforOK = nullptr;
  decltype(&SetQuickVerif) setQuickVerif = nullptr;
  decltype(&CheckExclusive) checkExclusive = nullptr;
  TUpgReport report = nullptr;

  void Unload() {
    if (handle) win::FreeLibrary(handle);
    *this = TUpgradeLibrary{};
  }
};

// The library lives as long as the process: freed when the process ends.
struct TLoaded {
  TUpgradeLibrary lib;
  ~TLoaded() { lib.Unload(); }
};

TUpgradeLibrary& Lib() {
  static TLoaded loaded;
  return loaded.lib;
}

template <typename F>
bool Resolve(win::HMODULE handle, const char* name, F& target) {
  target = reinterpret_cast<F>(win::GetProcAddress(handle, name));
  if (!target) win::LogLine(QString("upgrade library: no entry point %1").arg(name));
  return target != nullptr;
}

// The report procedure the library calls: the block is only read, and stays the library's.
extern "C" void ReceiveReport(HGLOBAL block) {
  const char* data = static_cast<const char*>(GlobalLock(block));
  if (!data) return;
  // The text ends at its zero, or at the end of the block should the zero be missing.
  const QByteArray text(data, qsizetype(strnlen(data, GlobalSize(block))));
  GlobalUnlock(block);
  if (TUpgReport report = Lib().report) report(win::AnsiToUnicode(text));
}

}  // namespace

bool LoadUpgradeLibrary() {
  TUpgradeLibrary& lib = Lib();
  if (lib.handle) return true;
  // The path is held in full, however long the run folder is.
  const QString path = win::IncludeTrailingBackslash(RunFolder) + "UPGRADE.DLL";
  win::HMODULE handle = win::LoadLibrary(path);
  if (!handle) {
    win::LogLine("upgrade library: " + win::LibraryError());
    return false;
  }
  TUpgradeLibrary found;
  found.handle = handle;
  // Every entry point, also those looked up only: a half library must never be called.
  bool complete = Resolve(handle, "GetAliasPath", found.getAliasPath);
  complete = Resolve(handle, "SetReportProc", found.setReportProc) && complete;
  complete = Resolve(handle, "DoStructureUpgrade", found.doStructureUpgrade) && complete;
  complete = Resolve(handle, "DoListUpgrade", found.doListUpgrade) && complete;
  complete = Resolve(handle, "DoConstUpgrade", found.doConstUpgrade) && complete;
  complete = Resolve(handle, "GetSemaforOK", found.getSemaforOK) && complete;
  complete = Resolve(handle, "SetQuickVerif", found.setQuickVerif) && complete;
  complete = Resolve(handle, "CheckExclusive", found.checkExclusive) && complete;
  if (!complete) {
    win::FreeLibrary(handle);
    return false;
  }
  lib = found;
  win::LogLine("upgrade library: loaded " + path);
  return true;
}

void UnloadUpgradeLibrary() {
  Lib().Unload();
}

bool UpgradeLibraryLoaded() {
  return Lib().handle != nullptr;
}

QString UpgGetAliasPath(const QString& alias) {
  if (!Lib().getAliasPath) return {};
  char buffer[ALIAS_PATH_SIZE] = {};
  const QByteArray name = win::UnicodeToAnsi(alias).left(ALIAS_PATH_SIZE - 1);
  memcpy(buffer, name.constData(), size_t(name.size()));
  Lib().getAliasPath(buffer);
  buffer[ALIAS_PATH_SIZE - 1] = 0;  // a library that fills the buffer still ends inside it
  return win::AnsiToUnicode(QByteArray(buffer));
}

void UpgSetReportProc(TUpgReport report) {
  Lib().report = report;
  if (Lib().setReportProc) Lib().setReportProc(report ? &ReceiveReport : nullptr);
}

void UpgDoStructureUpgrade() {
  if (Lib().doStructureUpgrade) Lib().doStructureUpgrade();
}

void UpgDoListUpgrade() {
  if (Lib().doListUpgrade) Lib().doListUpgrade();
}

void UpgDoConstUpgrade() {
  if (Lib().doConstUpgrade) Lib().doConstUpgrade();
}

bool UpgGetSemaforOK() {
  return Lib().getSemaforOK && Lib().getSemaforOK() != 0;
}

void UpgSetQuickVerif(bool quick) {
  if (Lib().setQuickVerif) Lib().setQuickVerif(quick ? 1 : 0);
}
