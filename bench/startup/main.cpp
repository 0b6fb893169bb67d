// startup-bench: the time from starting INSTALL.EXE on a CD to the first page of the wizard, both
// processes counted: the bootstrap run copies the installer to the temporary folder and starts
// the copy, whose wizard logs "page 0 shown" in the support log (ZAREDERAD_LOG) as it shows it.
//
//   startup-bench [--runs N] [--exe PATH]
//
// Runs on Qt's offscreen platform in a machine of its own (C: and a CD drive D: with the medium).
// After one warm-up run prints every run, then one line:
//   startup: S ms median to page 0 (min S, max S; bootstrap run S ms), N runs
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

void Write(const QString& path, const QByteArray& data) {
  QDir().mkpath(path.section('/', 0, -2));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "startup-bench: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  f.write(data);
}

struct Run {
  double bootstrapMs = 0, pageMs = 0;
};

// One start from the medium; the wizard run is ended once its first page is up.
Run StartOnce(const QString& machine, const QString& log) {
  QFile::remove(log);
  for (const char* f : {"INSTZORV.EXE", "INSTZORV.DAT", "INSTZORV.CFG", "UPGRADE.ZIP"})
    QFile::remove(machine + "/drive_c/windows/temp/" + f);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("ZAREDERAD_", 0) == 0 || v.rfind("QT_QPA_PLATFORM=", 0) == 0) continue;
    env.push_back(v);
  }
  env.push_back("ZAREDERAD_MACHINE=" + machine.toStdString());
  env.push_back("ZAREDERAD_LOG=" + log.toStdString());
  env.push_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (std::string& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string exe = (machine + "/medium/INSTALL.EXE").toStdString();
  char* argv[] = {exe.data(), nullptr};

  Run r;
  QElapsedTimer clock;
  clock.start();
  pid_t boot = 0;
  // Qt's warnings of the offscreen platform are not the bench's output.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  int spawned = posix_spawn(&boot, exe.c_str(), &quiet, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) {
    std::fprintf(stderr, "startup-bench: cannot start %s\n", exe.c_str());
    std::exit(1);
  }
  int status = 0;
  waitpid(boot, &status, 0);
  r.bootstrapMs = clock.nsecsElapsed() / 1e6;
  pid_t wizard = 0;
  while (clock.elapsed() < 30000) {
    QFile f(log);
    QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    int at = text.indexOf(" page 0 shown");
    if (at >= 0) {
      r.pageMs = clock.nsecsElapsed() / 1e6;
      int start = text.lastIndexOf('\n', at) + 1;
      wizard = text.mid(start, at - start).toInt();
      break;
    }
    QThread::usleep(200);
  }
  if (!wizard) {
    QFile f(log);
    std::fprintf(stderr, "startup-bench: no page 0 within 30 s; log:\n%s\n",
                 f.open(QIODevice::ReadOnly) ? f.readAll().constData() : "(none)");
    std::exit(1);
  }
  kill(wizard, SIGTERM);
  waitpid(wizard, &status, 0);  // ours: this process is the subreaper of its grandchildren
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 20;
  QString exe = ZAREDERAD_SETUP_EXE;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--exe") exe = QString::fromLocal8Bit(argv[i + 1]);
  }
  // The wizard run is the bootstrap run's child: reparented here when the bootstrap ends.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  QTemporaryDir dir;
  const QString m = dir.path();
  Write(m + "/machine.ini",
        "[Drives]\nC=fixed,drive_c\nD=cdrom,medium\n[Environment]\nTEMP=C:\\windows\\temp\n"
        "WINDIR=C:\\windows\n");
  QDir(m).mkpath("drive_c/windows/temp");
  QDir(m).mkpath("drive_c/Program Files");
  QDir(m).mkpath("registry");
  QDir(m).mkpath("medium");
  if (!QFile::copy(exe, m + "/medium/INSTALL.EXE")) {
    std::fprintf(stderr, "startup-bench: cannot copy %s\n", qPrintable(exe));
    return 1;
  }
  Write(m + "/medium/INSTALL.CFG", "[General]\r\nNrDiscuri=1\r\n");
  Write(m + "/medium/DISK1", "");
  const QString log = m + "/setup.log";

  StartOnce(m, log);  // warm-up: page cache, font cache
  std::vector<double> page, boot;
  for (int i = 0; i < runs; ++i) {
    Run r = StartOnce(m, log);
    std::printf("run %d: bootstrap run %.1f ms, page 0 shown at %.1f ms\n", i + 1, r.bootstrapMs,
                r.pageMs);
    page.push_back(r.pageMs);
    boot.push_back(r.bootstrapMs);
  }
  std::printf(
      "startup: %.1f ms median to page 0 (min %.1f, max %.1f; bootstrap run %.1f ms), %d runs\n",
      Median(page), *std::min_element(page.begin(), page.end()),
      *std::max_element(page.begin(), page.end()), Median(boot), runs);
  return 0;
}
