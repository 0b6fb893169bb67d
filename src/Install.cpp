#include "Install.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include "core/Iglobals.h"
#include "core/Main.h"
#include "kit/GGlobals.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/WinError.h"

namespace {
struct CopiedFile {
  const char* source;
  const char* target;
};
const CopiedFile kCopies[] = {
    {"INSTALL.EXE", "INSTZORV.EXE"},
    {"UPGRADE.1", "UPGRADE.ZIP"},
    {"INSTALL.CFG", "INSTZORV.CFG"},
};
}  // namespace

QString TemporaryFolder() {
  QString temp = win::GetEnvironmentVariable("TEMP");
  if (temp.isEmpty()) temp = win::GetEnvironmentVariable("WINDIR");
  if (temp.isEmpty()) temp = win::GetWindowsDirectory();
  return win::IncludeTrailingBackslash(temp);
}

void BootstrapRun() {
  const QString medium = RunFolder;
  const QString temp = TemporaryFolder();
  for (const CopiedFile& f : kCopies) {
    // A missing companion (a medium without UPGRADE.1) is not an error.
    bool ok = win::CopyFile(medium + f.source, temp + f.target, false);
    win::LogLine(QString("bootstrap: copy %1%2 to %3%4: %5")
                     .arg(medium, f.source, temp, f.target, ok ? "ok" : "failed"));
  }
  win::WriteTextFile(temp + "INSTZORV.DAT", medium + "\r\n");
  int started = win::RunProcess(temp + "INSTZORV.EXE", win::SW_SHOW, false);
  win::LogLine(QString("bootstrap: started %1INSTZORV.EXE: %2").arg(temp).arg(started));
}

bool ReadHandshake() {
  const QString handshake = RunFolder + "INSTZORV.DAT";
  if (!win::FileExists(handshake)) return false;
  try {
    SourceDir = win::ReadFirstLine(handshake);
  } catch (const win::Error&) {
    return false;
  }
  return true;
}

int ProgramEntry() {
  // Numbers are formatted with "." whatever the user's regional settings are.
  QLocale::setDefault(QLocale::c());
  Win10Style = true;
  if (!ReadHandshake()) {
    BootstrapRun();
    return 0;
  }
  SourceDir.chop(1);  // the line ends with the "\" that the bootstrap run wrote
  win::LogLine(QString("wizard: SourceDir=%1").arg(SourceDir));
  Installer = new TInstaller;
  // Without a window manager a full-screen request alone does not resize the window.
  Installer->setGeometry(QGuiApplication::primaryScreen()->geometry());
  Installer->showFullScreen();
  struct DestroyBackdrop {
    ~DestroyBackdrop() {
      delete Installer;
      Installer = nullptr;
    }
  } destroyBackdrop;
  RunWizard();
  win::LogLine("wizard: ended");
  return 0;
}
