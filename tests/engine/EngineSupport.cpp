#include "EngineSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

QStringList FolderEntries(const QString& hostFolder) {
  return QDir(hostFolder)
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                 QDir::Name | QDir::IgnoreCase);
}

HeldStoreLock::HeldStoreLock(const QString& hostFolder, int waitMs) {
  hadWait_ = qEnvironmentVariableIsSet("ZAREDERAD_STORE_WAIT_MS");
  oldWait_ = qgetenv("ZAREDERAD_STORE_WAIT_MS");
  qputenv("ZAREDERAD_STORE_WAIT_MS", QByteArray::number(waitMs));
  QDir().mkpath(hostFolder);
  fd_ = ::open(QFile::encodeName(hostFolder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  EXPECT_GE(fd_, 0);
  EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
}

HeldStoreLock::~HeldStoreLock() {
  if (fd_ >= 0) ::close(fd_);
  if (hadWait_)
    qputenv("ZAREDERAD_STORE_WAIT_MS", oldWait_);
  else
    qunsetenv("ZAREDERAD_STORE_WAIT_MS");
}
