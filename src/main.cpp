// The installer's executable.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "Install.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/GGlobals.h"
#include "platform/Log.h"
#include "platform/Process.h"

namespace {

// The one message of a run that cannot go on; the support log gets it once the box is up.
void ShowFatalError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                  QMessageBox::Ok);
  QTimer::singleShot(0, &box,
                     [&] { win::LogLine("error box: " + QString(text).replace('\n', ' ')); });
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  win::PinTimeZone();
  // The bootstrap run only copies and starts the copy: it needs no window, so the window
  // framework comes up only for the wizard run or for a message.
  std::unique_ptr<QApplication> app;
  int code = 1;
  try {
    CheckMachine();
    RunFolder = ExecutableRunFolder();
    if (!ReadHandshake()) {
      BootstrapRun();
      return 0;
    }
    app = std::make_unique<QApplication>(argc, argv);
    KitStartup();
    code = WizardRun();
  } catch (const std::exception& e) {
    // A machine the program cannot run on, an unwritable handshake file or an unreadable
    // upgrade archive.
    if (!app) app = std::make_unique<QApplication>(argc, argv);
    ShowFatalError(QString::fromUtf8(e.what()));
    code = 1;
  }
  EngineShutdown();  // the engine is left once, when this process initialised it
  KitShutdown();
  return code;
}
