// Command lines by the platform's rules, program search and starting host programs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <ctime>

#include "QtPrinters.h"
#include "common/TestMachine.h"
#include "platform/Paths.h"
#include "platform/Process.h"

using namespace win;

// Pinning the time zone names the zone the system has, so local times stay what they were; a
// zone named by the user is kept.
TEST(ProcessTimeZone, PinningKeepsTheZone) {
  const QByteArray saved = qgetenv("TZ");
  const bool wasSet = qEnvironmentVariableIsSet("TZ");
  auto offsets = [] {
    tzset();
    return QList<int>{QDateTime(QDate(2021, 1, 15), QTime(12, 0)).offsetFromUtc(),
                      QDateTime(QDate(2021, 7, 15), QTime(12, 0)).offsetFromUtc()};
  };
  qunsetenv("TZ");
  const QList<int> system = offsets();
  PinTimeZone();
  EXPECT_EQ(qgetenv("TZ"), ":/etc/localtime");
  EXPECT_EQ(offsets(), system);
  qputenv("TZ", "Europe/Bucharest");
  PinTimeZone();
  EXPECT_EQ(qgetenv("TZ"), "Europe/Bucharest");
  if (QFileInfo::exists("/usr/share/zoneinfo/Europe/Bucharest")) {
    EXPECT_EQ(offsets(), QList<int>({2 * 3600, 3 * 3600}));
  }
  if (wasSet)
    qputenv("TZ", saved);
  else
    qunsetenv("TZ");
  tzset();
}

TEST(ProcessArguments, SplitByThePlatformRules) {
  struct Case {
    const char* line;
    QStringList args;
  } cases[] = {
      {R"("a b c" d e)", {"a b c", "d", "e"}},
      {R"("ab\"c" "\\" d)", {R"(ab"c)", R"(\)", "d"}},
      {R"(a\\\b d"e f"g h)", {R"(a\\\b)", "de fg", "h"}},
      {R"(a\\\"b c d)", {R"(a\"b)", "c", "d"}},
      {R"(a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
      {R"(a"b"" c d)", {R"(ab" c d)"}},
      {R"(C:\Program Files\ "C:\Program Files\\" end\)",
       {R"(C:\Program)", R"(Files\)", R"(C:\Program Files\)", R"(end\)"}},
      {"", {}},
      {" \t ", {}},
      {R"(a "" b)", {"a", "", "b"}},
      {"\ta\t\tb ", {"a", "b"}},
      {R"("unterminated arg)", {"unterminated arg"}},
  };
  for (const Case& k : cases) EXPECT_EQ(SplitArguments(k.line), k.args) << k.line;
}

TEST(ProcessArguments, ProgramNameTakesNoEscapes) {
  struct Case {
    const char* line;
    QStringList argv;
  } cases[] = {
      {R"("C:\Program Files\WinZorv\HHUPD.EXE" /Q)",
       {R"(C:\Program Files\WinZorv\HHUPD.EXE)", "/Q"}},
      {R"("C:\WinZorv\" "a b")", {R"(C:\WinZorv\)", "a b"}},
      {R"(C:\WinZorv\\"x y" z)", {R"(C:\WinZorv\\"x)", R"(y z)"}},
      {R"("a b"c d)", {"a b", "c", "d"}},
  };
  for (const Case& k : cases) EXPECT_EQ(CommandLineToArgv(k.line), k.argv) << k.line;
}

class ProcessTest : public MachineTest {
 protected:
  QString c = machine.Host("C:\\");
  QString out = machine.folder() + "/out.txt";

  // A "#!/bin/sh" script with its execute bit.
  void Script(const QString& host, const QByteArray& body) {
    machine.WriteHostFile(host, "#!/bin/sh\n" + body + "\n");
    ::chmod(QFile::encodeName(host), 0755);
  }
  // A script that writes its arguments one per line to out.
  void ArgsScript(const QString& host) {
    Script(host,
           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + QFile::encodeName(out) + "'");
  }
  QStringList OutLines() {
    QString text = QString::fromUtf8(machine.ReadHostFile(out));
    text.chop(1);
    return text.split('\n');
  }
};

TEST_F(ProcessTest, ExitCodeOfAProgramInTheWindowsFolder) {
  Script(c + "/windows/Exit3.Exe", "exit 3");
  EXPECT_EQ(RunProcess("EXIT3", SW_SHOW, true), 3);
  EXPECT_EQ(RunProcess("exit3.exe a b", SW_SHOW, true), 3);
  EXPECT_EQ(RunProcess("C:\\WINDOWS\\EXIT3", SW_SHOW, true), 3);
  EXPECT_EQ(FindProgram("exit3"), c + "/windows/Exit3.Exe");

  Script(c + "/windows/KILLED.EXE", "kill -TERM $$");
  EXPECT_EQ(RunProcess("KILLED", SW_SHOW, true), 128 + SIGTERM);
}

TEST_F(ProcessTest, WhatCannotStartGivesMinusOne) {
  machine.WriteHostFile(c + "/windows/X.EXE", "just text\n");
  ::chmod(QFile::encodeName(c + "/windows/X.EXE"), 0755);
  Script(c + "/windows/NOEXEC.EXE", "exit 0");
  ::chmod(QFile::encodeName(c + "/windows/NOEXEC.EXE"), 0644);
  machine.WriteHostFile(c + "/windows/BADSHELL.EXE", "#!/nonexistent/shell\n");
  ::chmod(QFile::encodeName(c + "/windows/BADSHELL.EXE"), 0755);
  QDir(c).mkpath("windows/FOLDER.EXE");

  for (bool wait : {true, false}) {
    for (const char* line : {"NOSUCH.EXE", "C:\\NoFolder\\NOSUCH", "Q:\\ZORVAN.EXE", "X", "NOEXEC",
                             "BADSHELL", "FOLDER", "", "  "}) {
      EXPECT_EQ(RunProcess(line, SW_SHOW, wait), -1) << line << (wait ? " waiting" : "");
    }
  }
}

TEST_F(ProcessTest, ArgumentsArriveUnchanged) {
  ArgsScript(c + "/windows/ARGS.EXE");
  ASSERT_EQ(RunProcess(R"(args "a b"  c\"d "" "\\srv\share\\" ăşţ /Q)", SW_SHOW, true), 0);
  EXPECT_EQ(OutLines(), (QStringList{"a b", R"(c"d)", "", R"(\\srv\share\)", "ăşţ", "/Q"}));
}

TEST_F(ProcessTest, UnquotedPathWithBlanksIsTriedWordByWord) {
  ArgsScript(c + "/Program Files/WinZorv/HHUPD.EXE");
  ASSERT_EQ(RunProcess("C:\\Program Files\\WinZorv\\HHUPD.EXE /Q", SW_HIDE, true), 0);
  EXPECT_EQ(OutLines(), QStringList{"/Q"});
  ASSERT_EQ(RunProcess("\"c:\\program files\\winzorv\\hhupd\" /Q  x", SW_HIDE, true), 0);
  EXPECT_EQ(OutLines(), (QStringList{"/Q", "x"}));

  // A shorter run of words that names a program wins, as on the platform.
  ArgsScript(c + "/Program.exe");
  ASSERT_EQ(RunProcess("C:\\Program Files\\WinZorv\\HHUPD.EXE /Q", SW_HIDE, true), 0);
  EXPECT_EQ(OutLines(), (QStringList{R"(Files\WinZorv\HHUPD.EXE)", "/Q"}));
}

TEST_F(ProcessTest, ShowModeAndMachineReachTheChild) {
  Script(c + "/windows/ENV.EXE",
         "printf '%s\\n%s\\n' \"$ZAREDERAD_SHOWMODE\" \"$ZAREDERAD_MACHINE\" > '" +
             QFile::encodeName(out) + "'");
  qputenv("ZAREDERAD_SHOWMODE", "99");
  ASSERT_EQ(RunProcess("ENV", SW_MINIMIZE, true), 0);
  qunsetenv("ZAREDERAD_SHOWMODE");
  EXPECT_EQ(OutLines(), (QStringList{QString::number(SW_MINIMIZE), machine.folder()}));
}

TEST_F(ProcessTest, SearchOrder) {
  Script(c + "/windows/WHICH.EXE", "exit 5");
  EXPECT_EQ(RunProcess("WHICH", SW_SHOW, true), 5);
  QDir(c).mkpath("WinZorv");
  Script(c + "/WinZorv/which.exe", "exit 4");
  ASSERT_TRUE(SetCurrentDir("C:\\WinZorv"));
  EXPECT_EQ(RunProcess("WHICH", SW_SHOW, true), 4);  // the current folder before the Windows one
  EXPECT_EQ(RunProcess(".\\WHICH", SW_SHOW, true), 4);

  // Then the host PATH, still without regard to case.
  QTemporaryDir bin;
  Script(bin.path() + "/PathOnly.exe", "exit 6");
  QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(bin.path()) + ":" + oldPath);
  int code = RunProcess("pathonly", SW_SHOW, true);
  qputenv("PATH", oldPath);
  EXPECT_EQ(code, 6);
}

TEST_F(ProcessTest, NotWaitingLeavesNoZombie) {
  Script(c + "/windows/LATER.EXE", "echo started > '" + QFile::encodeName(out) + "'");
  ASSERT_EQ(RunProcess("LATER", SW_SHOW, false), 0);
  // The program is no child of ours, whether it still runs or not: nothing is left to reap.
  int status;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  QDeadlineTimer deadline(10000);
  while (machine.ReadHostFile(out) != "started\n" && !deadline.hasExpired()) QThread::msleep(10);
  EXPECT_EQ(machine.ReadHostFile(out), "started\n");
}
