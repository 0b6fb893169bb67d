#include "Install.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include "core/Iglobals.h"
#include "core/Main.h"
#include "engine/aliasint.h"
#include "kit/GGlobals.h"
#include "kit/KitPrompt.h"
#include "media/ZipReader.h"
#include "notes/CInfo.h"
#include "pages/PageTable.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/WinError.h"
#include "prompt/Prompt.h"

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
// "drive Q:" or "the share \\srv\share" of a path, for messages.
QString RootName(const QString& path) {
  if (path.size() >= 2 && path[1] == ':') return "drive " + path.left(2).toUpper();
  if (path.startsWith("\\\\")) {
    QStringList parts = path.mid(2).split('\\');
    return "the share \\\\" + parts.value(0) + "\\" + parts.value(1);
  }
  return "no drive";
}

}  // namespace

QString TemporaryFolder(QString* variable) {
  const char* from = "TEMP";
  QString temp = win::GetEnvironmentVariable("TEMP");
  if (temp.isEmpty()) temp = win::GetEnvironmentVariable(from = "WINDIR");
  if (temp.isEmpty()) temp = win::GetWindowsDirectory();
  if (variable) *variable = from;
  return win::IncludeTrailingBackslash(temp);
}

void BootstrapRun() {
  const QString medium = RunFolder;
  QString variable;
  const QString temp = TemporaryFolder(&variable);
  // Said plainly here rather than as an I/O error on the handshake file.
  if (win::TryToHostPath(temp).isEmpty())
    throw win::Error(
        QString("The temporary folder %1 (%2) is on %3, which this machine does not "
                "have (%4).")
            .arg(temp, variable, RootName(temp), win::Machine::Current().folder() + "/machine.ini"),
        win::ERROR_PATH_NOT_FOUND);
  if (!win::DirectoryExists(temp))
    throw win::Error(QString("The temporary folder %1 (%2) does not exist.").arg(temp, variable),
                     win::ERROR_PATH_NOT_FOUND);
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

void CheckMachine() {
  const win::Machine& m = win::Machine::Current();
  const QString ini = m.folder() + "/machine.ini";
  const win::Drive* c = m.drive('C');
  if (!c)
    throw win::Error(QString("This machine has no drive C: %1 maps none in its [Drives].").arg(ini),
                     win::ERROR_INVALID_DRIVE);
  if (!win::DirectoryExists("C:\\"))
    throw win::Error(
        QString("Drive C: of %1 is the folder %2, which does not exist.").arg(ini, c->hostRoot),
        win::ERROR_INVALID_DRIVE);
}

QString ExecutableRunFolder() {
  const QString host = win::ExecutableHostFolder();
  const QString folder = win::ToWindowsPath(host);
  if (folder.isEmpty())
    throw win::Error(QString("The program's folder %1 is on no drive of %2.")
                         .arg(host, win::Machine::Current().folder() + "/machine.ini"),
                     win::ERROR_PATH_NOT_FOUND);
  return win::IncludeTrailingBackslash(folder);
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
  return WizardRun();
}

int WizardRun() {
  QLocale::setDefault(QLocale::c());
  InstallKitPrompts();
  InstallReleaseNotes();
  InstallProgramPages();
  Win10Style = true;
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

void PrepareUpgradeArchive() {
  const QString archive = win::JoinPath(RunFolder, "UPGRADE.ZIP");
  if (!UpgradeMode) {
    if (win::FileExists(archive)) win::DeleteFile(archive);
    return;
  }
  if (win::FileExists(archive)) {
    // An archive that cannot be read or unpacked ends the process: the error travels on.
    UnzipAll(archive, RunFolder);
    win::DeleteFile(archive);
    return;
  }
  if (!win::FileExists(win::JoinPath(RunFolder, "UPGRADE.dll"))) {
    prompt::TPrompt p;
    p.Id = "driver.no-upgrade-zip";
    p.Text = "Nu gasesc Upgrade.zip";
    p.Kind = prompt::TKind::Error;
    prompt::Ask(p);
  }
}

void RunWizard() {
  UpgradeMode = IsInstalled();
  QCoreApplication::processEvents();  // let the backdrop paint before any slow work
  PrepareUpgradeArchive();
  ReadConfiguration();
  win::LogLine(QString("wizard: UpgradeMode=%1 DiskCount=%2").arg(UpgradeMode).arg(DiskCount));
  if (UpgradeMode) EnterUpgradePath();
  RunPageLoop();
}
