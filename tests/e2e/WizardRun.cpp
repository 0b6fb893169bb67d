#include "WizardRun.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "Install.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/Cliunit.h"
#include "kit/GGlobals.h"
#include "kit/MsgDlg.h"
#include "notes/CInfo.h"
#include "platform/Idapi.h"
#include "upgrade/Upgint.h"

void WizardRunTest::SetUp() {
  savedRunFolder_ = RunFolder;
  ResetInstallerState();
  xdg_ = machine.folder() + "/xdg";
  oldData_ = qgetenv("XDG_DATA_HOME");
  oldConfig_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_DATA_HOME", QFile::encodeName(xdg_ + "/data"));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg_ + "/config"));
  log_ = qEnvironmentVariableIsSet("E2E_LOG") ? qEnvironmentVariable("E2E_LOG")
                                              : machine.folder() + "/setup.log";
  QFile::remove(log_);
  qputenv("ZAREDERAD_LOG", QFile::encodeName(log_));
}

void WizardRunTest::TearDown() {
  UnloadUpgradeLibrary();
  qputenv("XDG_DATA_HOME", oldData_);
  qputenv("XDG_CONFIG_HOME", oldConfig_);
  qunsetenv("ZAREDERAD_LOG");
  if (ReleaseNotes) ReleaseNotes->hide();
  while (DbiExit() == DBIERR_NONE) {
  }
  EngineInitialized = false;
  MsgPrefix.clear();
  RunFolder = savedRunFolder_;
  ResetInstallerState();
  // Nothing of the run may stay on the screen.
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->isVisible()) << w->metaObject()->className() << " "
                                 << w->objectName().toStdString();
}

void WizardRunTest::PutDisk(const QString& diskHost) {
  QDir drive(driveHost_);
  for (const QString& name : drive.entryList(QDir::Files | QDir::Hidden))
    ASSERT_TRUE(drive.remove(name));
  QDir disk(diskHost);
  for (const QString& name : disk.entryList(QDir::Files)) {
    ASSERT_TRUE(QFile::copy(disk.filePath(name), drive.filePath(name)));
    QFile::setPermissions(drive.filePath(name), QFile(disk.filePath(name)).permissions());
  }
}

QString WizardRunTest::Log() const {
  QFile f(log_);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QRegularExpressionMatch WizardRunTest::WaitLog(const QString& pattern, int ms) {
  QRegularExpression re(pattern, QRegularExpression::MultilineOption);
  QDeadlineTimer deadline(ms);
  for (;;) {
    auto m = re.match(Log());
    if (m.hasMatch() || deadline.hasExpired()) return m;
    QThread::msleep(20);
  }
}

void WizardRunTest::Bootstrap(QChar drive, int page) {
  QFile::remove(log_);
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  // The relaunched copy inherits these: a pipe closed under it would kill it.
  p.setStandardOutputFile(machine.folder() + "/wizard.out");
  p.setStandardErrorFile(machine.folder() + "/wizard.out");
  p.start(driveHost_ + "/INSTALL.EXE", {});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  auto wizard = WaitLog(QString("^(\\d+) wizard: SourceDir=%1:$").arg(drive));
  ASSERT_TRUE(wizard.hasMatch()) << Log().toStdString();
  const qint64 pid = wizard.captured(1).toLongLong();
  ASSERT_NE(pid, QCoreApplication::applicationPid());
  auto shown = WaitLog(QString("%1 page %2 shown").arg(wizard.captured(1)).arg(page));
  ::kill(pid_t(pid), SIGTERM);
  ASSERT_TRUE(shown.hasMatch()) << Log().toStdString();
  // The bootstrap's copies.
  const QString temp = machine.Host("C:\\windows\\temp");
  EXPECT_TRUE(QFile::exists(temp + "/INSTZORV.EXE"));
  EXPECT_TRUE(QFile::exists(temp + "/INSTZORV.CFG"));
  EXPECT_EQ(machine.ReadHostFile(temp + "/INSTZORV.DAT"), QString("%1:\\\r\n").arg(drive).toUtf8());
  QFile::remove(log_);
}

QStringList WizardRunTest::RunWizard(ScriptedUser& user, int seconds) {
  QTimer watchdog;
  int elapsed = 0;
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if (++elapsed < seconds) return;
    ADD_FAILURE() << "the wizard stopped after: " << user.seen.join(" | ").toStdString();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      if (auto* form = qobject_cast<TMForm*>(w)) form->ModalResult = mrCancel;
      if (auto* box = qobject_cast<QMessageBox*>(w)) box->reject();
    }
  });
  watchdog.start(1000);
  RunFolder = "C:\\windows\\temp\\";
  EXPECT_EQ(ProgramEntry(), 0);
  watchdog.stop();
  EXPECT_EQ(user.Pending(), 0) << user.seen.join("\n").toStdString();
  QStringList windows;
  for (const QString& s : user.seen) windows << s.section(':', 0, 0);
  return windows;
}

void WizardRunTest::Press(QWidget* w, int key, Qt::KeyboardModifiers mods) {
  ScriptedUser::Activate(w->window());
  QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key(key), mods);
}

void WizardRunTest::Type(QWidget* page, const char* name, const QString& text) {
  auto* edit = page->findChild<QLineEdit*>(name);
  ASSERT_TRUE(edit);
  QTest::mouseClick(edit, Qt::LeftButton);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}
