#include "common/TestMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

TestMachine::TestMachine() {
  hadMachine_ = qEnvironmentVariableIsSet("ZAREDERAD_MACHINE");
  oldMachine_ = qgetenv("ZAREDERAD_MACHINE");
  QDir(dir_.path()).mkpath("drive_c/windows/temp");
  QDir(dir_.path()).mkpath("registry");
  WriteHostFile(dir_.path() + "/drive_c/windows/WIN.INI", "[windows]\r\n");
  win::PlaceRegistryEditor(dir_.path() + "/drive_c/windows");
  drives_ << "C=fixed,drive_c";
  env_["TEMP"] = "C:\\windows\\temp";
  env_["WINDIR"] = "C:\\windows";
  Apply();
}

TestMachine::~TestMachine() {
  if (hadMachine_)
    qputenv("ZAREDERAD_MACHINE", oldMachine_);
  else
    qunsetenv("ZAREDERAD_MACHINE");
  win::Machine::Reload();
}

QString TestMachine::AddDrive(QChar letter, const QString& type) {
  QString name = QString("drive_%1").arg(letter.toLower());
  QDir(dir_.path()).mkpath(name);
  drives_ << QString("%1=%2,%3").arg(letter.toUpper()).arg(type, name);
  Apply();
  return dir_.path() + "/" + name;
}

QString TestMachine::AddShare(const QString& unc) {
  QString name = "share_" + QString(unc).remove('\\').replace(' ', '_');
  QDir(dir_.path()).mkpath(name);
  shares_ << QString("%1=%2").arg(unc, name);
  Apply();
  return dir_.path() + "/" + name;
}

void TestMachine::SetEnv(const QString& name, const QString& value) {
  env_[name] = value;
  Apply();
}

void TestMachine::UnsetEnv(const QString& name) {
  env_.remove(name);
  Apply();
}

QString TestMachine::Host(const QString& winPath) const {
  return win::ToHostPath(winPath);
}

void TestMachine::WriteHostFile(const QString& hostPath, const QByteArray& data) const {
  QDir().mkpath(QFileInfo(hostPath).absolutePath());
  QFile f(hostPath);
  if (!f.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << hostPath.toStdString();
  f.write(data);
}

QByteArray TestMachine::ReadHostFile(const QString& hostPath) const {
  QFile f(hostPath);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void TestMachine::Apply() {
  QByteArray ini = "[Drives]\n";
  for (const QString& d : drives_) ini += d.toUtf8() + "\n";
  ini += "[Network]\n";
  for (const QString& s : shares_) ini += s.toUtf8() + "\n";
  ini += "[Environment]\n";
  for (auto it = env_.begin(); it != env_.end(); ++it)
    ini += (it.key() + "=" + it.value()).toUtf8() + "\n";
  QFile f(dir_.path() + "/machine.ini");
  f.open(QIODevice::WriteOnly);
  f.write(ini);
  f.close();
  qputenv("ZAREDERAD_MACHINE", dir_.path().toUtf8());
  win::Machine::Reload();
  win::SetCurrentDir("C:\\");
}

QString ArtifactPath(const QString& name) {
  QString dir = QCoreApplication::applicationDirPath() + "/../artifacts";
  QDir().mkpath(dir);
  return QDir::cleanPath(dir + "/" + name);
}
