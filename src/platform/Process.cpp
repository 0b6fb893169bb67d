#include "platform/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "platform/Paths.h"

extern char** environ;

namespace win {
namespace {

bool IsBlank(QChar c) {
  return c == ' ' || c == '\t';
}

bool IsRunnable(const QString& host) {
  QFileInfo fi(host);
  if (!fi.isFile() || ::access(QFile::encodeName(host), X_OK) != 0) return false;
  QFile f(host);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QByteArray head = f.read(4);
  return head.startsWith(
             "\x7f"
             "ELF") ||
         head.startsWith("#!");
}

QString WithExtension(const QString& name) {
  return ExtractFileExt(name).isEmpty() ? name + ".EXE" : name;
}

// A name in a host folder, matched without regard to case.
QString FindInHostDir(const QString& dir, const QString& name) {
  QString exact = dir + "/" + name;
  if (IsRunnable(exact)) return exact;
  for (const QString& e :
       QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
    if (QString::compare(e, name, Qt::CaseInsensitive) == 0 && IsRunnable(dir + "/" + e))
      return dir + "/" + e;
  return {};
}

struct CStrings {
  std::vector<std::string> storage;
  std::vector<char*> pointers;
  char** data() {
    pointers.clear();
    for (auto& s : storage) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers.data();
  }
};

}  // namespace

QStringList SplitArguments(const QString& arguments) {
  QStringList out;
  const QString& s = arguments;
  int i = 0;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) break;
    QString arg;
    bool quoted = false;
    for (; i < s.size(); ++i) {
      QChar c = s[i];
      if (c == '\\') {
        int n = 0;
        while (i < s.size() && s[i] == '\\') ++n, ++i;
        if (i < s.size() && s[i] == '"') {
          arg += QString(n / 2, '\\');
          if (n % 2) {
            arg += '"';
            continue;
          }
          --i;  // the quote is handled below
          continue;
        }
        arg += QString(n, '\\');
        --i;
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
          arg += '"';
          ++i;
          continue;
        }
        quoted = !quoted;
        continue;
      }
      if (IsBlank(c) && !quoted) break;
      arg += c;
    }
    out.append(arg);
  }
  return out;
}

QStringList CommandLineToArgv(const QString& commandLine) {
  QString s = commandLine;
  int i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  QString program;
  if (i < s.size() && s[i] == '"') {
    int end = s.indexOf('"', i + 1);
    if (end < 0) end = s.size();
    program = s.mid(i + 1, end - i - 1);
    i = end + 1;
  } else {
    int start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    program = s.mid(start, i - start);
  }
  QStringList out{program};
  out += SplitArguments(s.mid(i));
  return out;
}

QString FindProgram(const QString& name) {
  if (name.isEmpty()) return {};
  QString withExt = WithExtension(name);
  bool hasFolder = name.contains('\\') || name.contains('/') || name.contains(':');
  if (hasFolder) {
    QString host = TryToHostPath(withExt);
    return !host.isEmpty() && IsRunnable(host) ? host : QString();
  }
  for (const QString& folder : {ExecutableFolder(), GetCurrentDir(), GetWindowsDirectory()}) {
    if (folder.isEmpty()) continue;
    QString host = TryToHostPath(JoinPath(folder, withExt));
    if (!host.isEmpty() && IsRunnable(host)) return host;
  }
  for (const QString& dir : qEnvironmentVariable("PATH").split(':', Qt::SkipEmptyParts)) {
    QString found = FindInHostDir(dir, withExt);
    if (!found.isEmpty()) return found;
  }
  return {};
}

int RunProcess(const QString& commandLine, int showMode, bool wait) {
  // Find the program: a quoted name, or the shortest run of blank-separated words that names one.
  QString program, rest;
  int i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    int end = commandLine.indexOf('"', i + 1);
    if (end < 0) end = commandLine.size();
    program = FindProgram(commandLine.mid(i + 1, end - i - 1));
    rest = commandLine.mid(end + 1);
  } else {
    int start = i;
    while (i <= commandLine.size()) {
      while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
      program = FindProgram(commandLine.mid(start, i - start));
      if (!program.isEmpty() || i >= commandLine.size()) break;
      while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    }
    rest = commandLine.mid(i);
  }
  if (program.isEmpty()) return -1;

  CStrings argv, envp;
  argv.storage.push_back(QFile::encodeName(program).toStdString());
  for (const QString& a : SplitArguments(rest))
    argv.storage.push_back(a.toLocal8Bit().toStdString());
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("ZAREDERAD_SHOWMODE=", 0) == 0 || v.rfind("ZAREDERAD_MACHINE=", 0) == 0) continue;
    envp.storage.push_back(v);
  }
  envp.storage.push_back("ZAREDERAD_SHOWMODE=" + std::to_string(showMode));
  envp.storage.push_back("ZAREDERAD_MACHINE=" +
                         QFile::encodeName(Machine::Current().folder()).toStdString());
  std::string path = argv.storage[0];
  char** av = argv.data();
  char** ev = envp.data();

  if (wait) {
    pid_t pid;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, av, ev) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
      if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
  }

  // Not waiting: start the program from a short-lived intermediate process, so that it is
  // nobody's child here and leaves no zombie; a pipe closed on exec tells whether it started.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  pid_t middle = ::fork();
  if (middle < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return -1;
  }
  if (middle == 0) {
    ::close(fds[0]);
    pid_t child = ::fork();
    if (child == 0) {
      ::setsid();
      ::execve(path.c_str(), av, ev);
      int err = errno;
      (void)!::write(fds[1], &err, sizeof err);
      ::_exit(127);
    }
    if (child < 0) {
      int err = errno;
      (void)!::write(fds[1], &err, sizeof err);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  int status;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  while ((n = ::read(fds[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  ::close(fds[0]);
  return n > 0 ? -1 : 0;
}

void PinTimeZone() {
  if (!qEnvironmentVariableIsSet("TZ")) ::setenv("TZ", ":/etc/localtime", 0);
}

}  // namespace win
