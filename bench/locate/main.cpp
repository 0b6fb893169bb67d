// locate-bench: the drive scan of the locate installation page over a generated tree of about
// 100,000 folders, against find on the same tree in the same run.
//
//   locate-bench [--work DIR] [--runs N]
//
// The tree is generated once into DIR/locate (default: ./locate-bench/locate) and reused: a
// machine whose only drive C: holds 10 x 10 x 10 x 10 x 10 folders below its root (111,110 in
// all, every path well under the scan's 100-character limit) and the Windows folder. Two cases:
// the program file at the far end of the scan's order, and no program file at all. Each run
// times TDriveScan::Run() (the real SearchFolder, status texts built, no stop) and
//   find C -iname ZORVAN.EXE -size +6000000c
// which also walks the whole tree; and, for information, the page's whole search on its first
// Continue (the status line and the interface's events, offscreen). One warm-up of each
// first, then the medians are compared:
//   locate (with|without): N folders scanned, ours S s, find S s, ratio R; the page S s
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "kit/Actives.h"
#include "kit/GGlobals.h"
#include "pages/Cfindapp.h"
#include "platform/Machine.h"
#include "upgrade/FindApp.h"

namespace {

constexpr int kWidth = 10, kDepth = 5;

QString Name(int i) {
  return QString("Dosar%1").arg(i);
}

int Generate(const QString& root, int depth) {
  int made = 0;
  for (int i = 0; i < kWidth; ++i) {
    const QString sub = root + "/" + Name(i);
    if (::mkdir(QFile::encodeName(sub).constData(), 0755) != 0 && errno != EEXIST)
      qFatal("cannot create %s", qPrintable(sub));
    ++made;
    if (depth > 1) made += Generate(sub, depth - 1);
  }
  return made;
}

// The folder the scan reaches last: the last name at every level.
QString FarEnd(const QString& driveHost) {
  QString path = driveHost;
  for (int d = 0; d < kDepth; ++d) path += "/" + Name(kWidth - 1);
  return path;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QString work = "locate-bench";
  int runs = 3;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--work") work = args[++i];
    if (args[i] == "--runs") runs = std::max(1, args[++i].toInt());
  }
  const QString machine = QDir(work).absoluteFilePath("locate");
  const QString drive = machine + "/drive_c";
  QDir().mkpath(drive + "/windows");
  if (!QFile::exists(machine + "/tree.done")) {
    QElapsedTimer t;
    t.start();
    const int made = Generate(drive, kDepth);
    QFile(machine + "/tree.done").open(QIODevice::WriteOnly);
    std::printf("locate-bench: generated %d folders in %.1f s\n", made, t.elapsed() / 1000.0);
  }
  QFile ini(machine + "/machine.ini");
  if (!ini.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(ini.fileName()));
  ini.write(
      "[Drives]\nC=fixed,drive_c\n[Environment]\nTEMP=C:\\windows\n"
      "WINDIR=C:\\windows\n");
  ini.close();
  qputenv("ZAREDERAD_MACHINE", QFile::encodeName(machine));
  win::Machine::Reload();

  const QString program = FarEnd(drive) + "/ZORVAN.EXE";
  const QString expected = "C:\\" + QString(Name(kWidth - 1) + "\\").repeated(kDepth);
  long statuses = 0;
  TSearchHooks hooks;
  hooks.ShowStatus = [&](const QString& text) { statuses += !text.isEmpty(); };
  hooks.StopRequested = [] { return false; };

  auto ours = [&](const QString& want, long& visited) {
    QElapsedTimer t;
    t.start();
    TDriveScan scan(hooks);
    const QString found = scan.Run();
    const double s = t.nsecsElapsed() / 1e9;
    if (found != want)
      qFatal("scan found \"%s\", expected \"%s\"", qPrintable(found), qPrintable(want));
    visited = scan.Visited();
    return s;
  };
  // The same search as the page runs it on its first Continue: the status line shown and the
  // interface's pending events handled while it scans.
  KitStartup();
  auto page = [&](const QString& want) {
    TFindApp findApp;
    findApp.show();
    QElapsedTimer t;
    t.start();
    findApp.FormActivate();
    const double s = t.nsecsElapsed() / 1e9;
    if (findApp.RProgram->Text() != (want.isEmpty() ? QString("????") : want))
      qFatal("the page found \"%s\"", qPrintable(findApp.RProgram->Text()));
    return s;
  };
  auto find = [&](bool expectMatch) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start("find", {drive, "-iname", "ZORVAN.EXE", "-size", "+6000000c"});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) qFatal("find failed");
    const double s = t.nsecsElapsed() / 1e9;
    if (p.readAllStandardOutput().contains("ZORVAN.EXE") != expectMatch) qFatal("find disagrees");
    return s;
  };

  std::printf("locate-bench: %s, %d runs each\n", qPrintable(drive), runs);
  for (bool with : {true, false}) {
    if (with) {
      QFile f(program);
      if (!f.open(QIODevice::WriteOnly) || !f.resize(6000001)) qFatal("cannot write the program");
    } else {
      QFile::remove(program);
    }
    const QString want = with ? expected : QString();
    long visited = 0;
    ours(want, visited);  // warm-up
    find(with);
    std::vector<double> a, b, c;
    for (int r = 0; r < runs; ++r) {
      a.push_back(ours(want, visited));
      b.push_back(find(with));
      c.push_back(page(want));
      std::printf("run %d %s: ours %.3f s, find %.3f s, the page %.3f s\n", r + 1,
                  with ? "with" : "without", a.back(), b.back(), c.back());
    }
    std::printf(
        "locate (%s): %ld folders scanned, ours %.3f s, find %.3f s, ratio %.2f; "
        "the page %.3f s\n",
        with ? "with" : "without", visited, Median(a), Median(b), Median(a) / Median(b), Median(c));
    std::fflush(stdout);
  }
  QFile::remove(program);
  KitShutdown();
  return statuses > 0 ? 0 : 1;
}
