#include "EngineSupport.h"

#include <QCoreApplication>
#include <QDir>

#include "engine/aliasint.h"
#include "platform/Registry.h"

void ResetEngine() {
  while (DbiExit() == DBIERR_NONE) {
  }
  EngineInitialized = false;
}

QString InstallEngineConfig(TestMachine& machine, const QByteArray& cfgText) {
  QString host = machine.Host("C:\\BDE\\IDAPI32.CFG");
  machine.WriteHostFile(host, cfgText);
  win::TRegistry reg;
  reg.OpenKey("\\Software\\Borland\\Database Engine", true);
  reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
  return host;
}

QString ScreenFile(const QString& name) {
  QString dir = QCoreApplication::applicationDirPath() + "/../screens";
  QDir().mkpath(dir);
  return QDir::cleanPath(dir + "/" + name);
}
