// The start of the program: the bootstrap run that copies the installer to the temporary folder
// and starts the copy, and the wizard run that finds the handshake file.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "Install.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "kit/GGlobals.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/WinError.h"

namespace {

// Waits until a host file exists (and is not empty), at most a few seconds.
bool WaitForFile(const QString& host, int ms = 10000) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    if (QFileInfo(host).size() > 0) return true;
    QThread::msleep(20);
  }
  return false;
}

class BootstrapTest : public MachineTest {
 protected:
  void SetUp() override {
    saved_ = RunFolder;
    ResetInstallerState();
    medium_ = machine.AddDrive('D', "cdrom");
    marker_ = machine.folder() + "/started";
    // The installer on the medium is a script here: it proves that the copy was started.
    machine.WriteHostFile(medium_ + "/KIT/INSTALL.EXE",
                          "#!/bin/sh\necho \"$ZAREDERAD_SHOWMODE\" > '" + marker_.toUtf8() + "'\n");
    QFile(medium_ + "/KIT/INSTALL.EXE").setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    machine.WriteHostFile(medium_ + "/KIT/INSTALL.CFG", "[General]\r\nNrDiscuri=2\r\n");
    machine.WriteHostFile(medium_ + "/KIT/UPGRADE.1", "PK-upgrade");
    RunFolder = "D:\\KIT\\";
    temp_ = machine.Host("C:\\windows\\temp");
  }
  void TearDown() override { RunFolder = saved_; }
  QString saved_, medium_, marker_, temp_;
};

}  // namespace

TEST_F(BootstrapTest, CopiesWritesHandshakeAndStartsTheCopy) {
  BootstrapRun();
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/INSTZORV.DAT"), "D:\\KIT\\\r\n");
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/INSTZORV.CFG"), "[General]\r\nNrDiscuri=2\r\n");
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/UPGRADE.ZIP"), "PK-upgrade");
  EXPECT_TRUE(QFileInfo(temp_ + "/INSTZORV.EXE").isExecutable());
  ASSERT_TRUE(WaitForFile(marker_));
  EXPECT_EQ(machine.ReadHostFile(marker_), "5\n") << "shown normally";
}

TEST_F(BootstrapTest, MediumWithoutUpgradeArchive) {
  QFile::remove(medium_ + "/KIT/UPGRADE.1");
  BootstrapRun();
  EXPECT_FALSE(QFileInfo::exists(temp_ + "/UPGRADE.ZIP"));
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/INSTZORV.DAT"), "D:\\KIT\\\r\n");
  EXPECT_TRUE(WaitForFile(marker_));
}

TEST_F(BootstrapTest, TemporaryFolderChoice) {
  machine.SetEnv("TEMP", "C:\\windows\\temp\\");
  EXPECT_EQ(TemporaryFolder(), "C:\\windows\\temp\\");
  machine.UnsetEnv("TEMP");
  machine.SetEnv("WINDIR", "C:\\WINDOWS");
  EXPECT_EQ(TemporaryFolder(), "C:\\WINDOWS\\");
  machine.SetEnv("TEMP", "");
  EXPECT_EQ(TemporaryFolder(), "C:\\WINDOWS\\") << "an empty TEMP counts as unset";

  BootstrapRun();
  // C:\WINDOWS resolves to the existing C:\windows without regard to case.
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\windows") + "/INSTZORV.DAT"), "D:\\KIT\\\r\n");
  // The started copy writes into the machine folder; it must be done before the folder goes.
  EXPECT_TRUE(WaitForFile(marker_));
}

TEST_F(BootstrapTest, UnwritableHandshakeStartsNothing) {
  QDir().mkpath(temp_ + "/INSTZORV.DAT");  // a folder where the file should go
  // The run logs every start as it makes it, so the log tells at once whether one was made.
  const QString log = machine.folder() + "/bootstrap.log";
  qputenv("ZAREDERAD_LOG", QFile::encodeName(log));
  try {
    BootstrapRun();
    FAIL() << "no error";
  } catch (const win::EInOutError& e) {
    EXPECT_EQ(e.code(), 5);
    EXPECT_TRUE(e.message().startsWith("I/O error 5")) << e.what();
    EXPECT_TRUE(e.message().contains("INSTZORV.DAT")) << e.what();
  }
  qunsetenv("ZAREDERAD_LOG");
  const QString lines = QString::fromUtf8(machine.ReadHostFile(log));
  EXPECT_TRUE(lines.contains("bootstrap: copy D:\\KIT\\INSTALL.EXE")) << lines.toStdString();
  EXPECT_FALSE(lines.contains("bootstrap: started")) << lines.toStdString();
}

TEST_F(BootstrapTest, ATemporaryFolderThatIsNotThereStartsNothing) {
  const struct {
    const char* temp;
    const char* message;
  } cases[] = {
      {"C:\\nowhere", "The temporary folder C:\\nowhere\\ (TEMP) does not exist."},
      {"\\\\srv\\share\\tmp",
       "The temporary folder \\\\srv\\share\\tmp\\ (TEMP) is on the share "
       "\\\\srv\\share, which this machine does not have"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.temp);
    machine.SetEnv("TEMP", c.temp);
    try {
      BootstrapRun();
      ADD_FAILURE() << "no error";
    } catch (const win::Error& e) {
      EXPECT_TRUE(e.message().startsWith(c.message)) << e.what();
    }
  }
  EXPECT_FALSE(QFileInfo::exists(temp_ + "/INSTZORV.EXE"));
}

TEST_F(BootstrapTest, HandshakeDecidesTheRun) {
  RunFolder = "C:\\windows\\temp\\";
  EXPECT_FALSE(ReadHandshake()) << "no handshake file: bootstrap run";
  machine.WriteHostFile(temp_ + "/INSTZORV.DAT", "D:\\KIT\\\r\nignored\r\n");
  EXPECT_TRUE(ReadHandshake());
  EXPECT_EQ(SourceDir, "D:\\KIT\\");
  machine.WriteHostFile(temp_ + "/INSTZORV.DAT", "\r\n");
  EXPECT_TRUE(ReadHandshake());
  EXPECT_EQ(SourceDir, "");
}

// The real program, as two processes: started from the medium it copies itself and starts the
// copy, which finds the handshake file and runs the wizard with the medium as its source.
class TwoProcessTest : public BootstrapTest {
 protected:
  void SetUp() override {
    BootstrapTest::SetUp();
    log_ = machine.folder() + "/setup.log";
    qputenv("ZAREDERAD_LOG", log_.toUtf8());
  }
  void TearDown() override {
    // End the wizard runs that the test started; they wait on their first page.
    for (const QString& line : QString::fromUtf8(machine.ReadHostFile(log_)).split('\n'))
      if (line.contains(" wizard: SourceDir=")) ::kill(line.section(' ', 0, 0).toInt(), SIGTERM);
    qunsetenv("ZAREDERAD_LOG");
    BootstrapTest::TearDown();
  }
  // The wizard run's SourceDir once it has reached its first page, or "(none)".
  QString WizardSourceDir() {
    QDeadlineTimer deadline(30000);
    QRegularExpression source(" wizard: SourceDir=(.*)$", QRegularExpression::MultilineOption);
    while (!deadline.hasExpired()) {
      QString log = QString::fromUtf8(machine.ReadHostFile(log_));
      auto m = source.match(log);
      if (m.hasMatch() && log.contains(" page 0 shown")) return m.captured(1);
      QThread::msleep(50);
    }
    return "(none)";
  }
  QString log_;
};

TEST_F(TwoProcessTest, FromAFolderOfTheMedium) {
  ASSERT_TRUE(QFile::remove(medium_ + "/KIT/INSTALL.EXE"));
  ASSERT_TRUE(QFile::copy(ZAREDERAD_SETUP_EXE, medium_ + "/KIT/INSTALL.EXE"));
  EXPECT_EQ(win::RunProcess("D:\\KIT\\INSTALL.EXE", win::SW_SHOW, true), 0);
  EXPECT_EQ(machine.ReadHostFile(temp_ + "/INSTZORV.DAT"), "D:\\KIT\\\r\n");
  EXPECT_EQ(WizardSourceDir(), "D:\\KIT");
}

TEST_F(TwoProcessTest, FromTheRootOfTheMedium) {
  ASSERT_TRUE(QFile::copy(ZAREDERAD_SETUP_EXE, medium_ + "/INSTALL.EXE"));
  EXPECT_EQ(win::RunProcess("D:\\INSTALL.EXE", win::SW_SHOW, true), 0);
  EXPECT_EQ(WizardSourceDir(), "D:");
}

TEST_F(TwoProcessTest, EmptyHandshakeLine) {
  ASSERT_TRUE(QFile::copy(ZAREDERAD_SETUP_EXE, temp_ + "/INSTZORV.EXE"));
  machine.WriteHostFile(temp_ + "/INSTZORV.DAT", "\r\n");
  EXPECT_EQ(win::RunProcess("C:\\windows\\temp\\INSTZORV.EXE", win::SW_SHOW, false), 0);
  EXPECT_EQ(WizardSourceDir(), "");
}

// The real program started from a medium on machines it cannot run on: one error box that names
// the file and the line or the drive, reached without an abort, and nothing started.
TEST(BadMachineTest, OneMessageNamingTheProblem) {
  const QByteArray good =
      "[Drives]\nC=fixed,drive_c\nD=cdrom,drive_d\n[Environment]\n"
      "TEMP=C:\\windows\\temp\nWINDIR=C:\\windows\n";
  QByteArray utf16("\xFF\xFE");
  for (char ch : good) utf16 += QByteArray(1, ch) + QByteArray(1, '\0');
  const struct {
    const char* what;
    QByteArray ini;     // machine.ini as written; empty: a folder in its place; "-": none,
                        // and the machine folder below a file
    QStringList named;  // what the message must say ("%1": the machine folder)
  } cases[] = {
      {"unreadable machine.ini", "", {"Cannot read %1/machine.ini"}},
      {"a machine folder that cannot be made",
       "-",
       {"Cannot create the machine in %1/file/machine"}},
      {"garbage",
       "[Drives]\nC=fixed,drive_c\nD=cdrom,drive_d\nthis is no setting\n",
       {"%1/machine.ini, line 4:"}},
      {"bytes that are no text", good + "\xC3\x28\xFF\n", {"%1/machine.ini, line 7:", "UTF-8"}},
      {"UTF-16", utf16, {"%1/machine.ini, line 1:", "UTF-16"}},
      {"no C:", "[Drives]\nD=cdrom,drive_d\n", {"no drive C:", "%1/machine.ini"}},
      {"C: on a missing folder",
       "[Drives]\nC=fixed,nowhere\nD=cdrom,drive_d\n",
       {"Drive C:", "%1/nowhere, which does not exist"}},
      {"TEMP on a missing drive",
       "[Drives]\nC=fixed,drive_c\nD=cdrom,drive_d\n[Environment]\n"
       "TEMP=Q:\\temp\n",
       {"The temporary folder Q:\\temp\\ (TEMP) is on drive Q:", "%1/machine.ini"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    const QString m = dir.path();
    QDir(m).mkpath("drive_c/windows/temp");
    QDir(m).mkpath("drive_d");
    ASSERT_TRUE(QFile::copy(ZAREDERAD_SETUP_EXE, m + "/drive_d/INSTALL.EXE"));
    QString machineFolder = m;
    if (c.ini.isEmpty()) {
      QDir(m).mkpath("machine.ini");
    } else if (c.ini == "-") {
      QFile(m + "/file").open(QIODevice::WriteOnly);
      machineFolder = m + "/file/machine";
    } else {
      QFile ini(m + "/machine.ini");
      ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
      ini.write(c.ini);
    }
    const QString log = m + "/setup.log";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZAREDERAD_MACHINE", machineFolder);
    env.insert("ZAREDERAD_LOG", log);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    run.setProcessEnvironment(env);
    run.start(m + "/drive_d/INSTALL.EXE", {});
    ASSERT_TRUE(run.waitForStarted());
    // The box is up once its loop logs it; the process then waits for the user.
    QString text;
    QDeadlineTimer deadline(30000);
    while (text.isEmpty() && !deadline.hasExpired() && run.state() == QProcess::Running) {
      QFile f(log);
      if (f.open(QIODevice::ReadOnly)) {
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n'))
          if (line.contains(" error box: ")) text = line.section(" error box: ", 1);
      }
      if (text.isEmpty()) run.waitForFinished(20);
    }
    EXPECT_EQ(run.state(), QProcess::Running) << "ended without its box: " << run.exitCode();
    for (QString part : c.named) {
      part.replace("%1", m);
      EXPECT_TRUE(text.contains(part)) << text.toStdString() << "\nmissing: " << part.toStdString();
    }
    run.terminate();
    run.waitForFinished();
    const QString all = QFile::exists(log) ? [&] {
      QFile f(log);
      f.open(QIODevice::ReadOnly);
      return QString::fromUtf8(f.readAll());
    }() : QString();
    EXPECT_EQ(all.count(" error box: "), 1);
    EXPECT_FALSE(all.contains("bootstrap: started"));
    EXPECT_FALSE(QFile::exists(m + "/drive_c/windows/temp/INSTZORV.DAT"));
  }
}
