// The installer's executable.
#include <QApplication>
#include <QMessageBox>

#include "Install.h"
#include "engine/aliasint.h"
#include "kit/GGlobals.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  KitStartup();
  int code = 1;
  try {
    code = ProgramEntry();
  } catch (const std::exception& e) {
    // Only an unwritable handshake file or an unreadable upgrade archive get here.
    QMessageBox::critical(nullptr, QCoreApplication::applicationName(), QString::fromUtf8(e.what()));
  }
  EngineShutdown();  // the engine is left once, when this process initialised it
  KitShutdown();
  return code;
}
