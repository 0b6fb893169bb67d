// media-bench: assembles and unpacks a generated medium of about 300 MB (one large compressible
// file, one incompressible file, 10,000 small files, over 3 floppy disks) with the installer's
// own code, and in the same run does the same job with cat and Info-ZIP unzip.
//
//   media-bench [--work DIR] [--runs N]
//
// The medium is generated once into DIR (default: ./media-bench) and reused. Each run of ours is
// a child process (so that its peak memory is its own) on a machine whose floppy drive A: is a
// link that the child's scripted user points at the next disk when the installer asks for it.
// Prints every run, then one line:
//   media: ours S s, cat+unzip S s, ratio R, peak M MB
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/Iglobals.h"
#include "kit/GGlobals.h"
#include "media/Diskset.h"
#include "platform/Machine.h"

extern char** environ;

namespace {

const char* const kKeys[] = {"EXE", "HELP", "DBDAT"};
constexpr int kDisks = 3;

// --- the generated medium ---

struct Rng {
  quint64 s = 0x9E3779B97F4A7C15ull;
  quint64 Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

void WriteBig(const QString& path, qint64 size, bool compressible) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  Rng rng;
  static const char* const words[] = {"debit",  "credit", "cont",  "4111",    "5121",  "sold",
                                      "factura", "client", "TVA",   "balanta", "jurnal", "registru",
                                      "0.00",   "1250.75", "RON",  "2026-12-10"};
  std::vector<char> block(1 << 20);
  qint64 left = size;
  while (left > 0) {
    qint64 n = std::min<qint64>(left, qint64(block.size()));
    if (compressible) {
      qint64 i = 0;
      while (i < n) {
        const char* w = words[rng.Next() % 16];
        while (*w && i < n) block[size_t(i++)] = *w++;
        if (i < n) block[size_t(i++)] = (rng.Next() % 12 == 0) ? '\n' : ' ';
      }
    } else {
      for (qint64 i = 0; i + 8 <= n; i += 8) {
        quint64 v = rng.Next();
        memcpy(&block[size_t(i)], &v, 8);
      }
    }
    f.write(block.data(), n);
    left -= n;
  }
}

int Spawn(const QStringList& args, struct rusage* usage = nullptr, const QString& out = {}) {
  std::vector<QByteArray> bytes;
  for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& b : bytes) argv.push_back(b.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  QByteArray outPath = QFile::encodeName(out);
  if (!out.isEmpty())
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  if (usage) *usage = ru;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Generate(const QString& work, const QString& mkmedium) {
  const QString stamp = work + "/medium.ok";
  if (QFileInfo::exists(stamp)) return;
  printf("media-bench: generating the medium in %s (once)\n", qPrintable(work));
  fflush(stdout);
  QDir(work + "/payload").removeRecursively();
  QDir(work + "/medium").removeRecursively();
  const QString payload = work + "/payload";
  for (const char* key : kKeys) QDir().mkpath(payload + "/" + key);
  WriteBig(payload + "/EXE/LARGE.DAT", 400ll * 1000 * 1000, true);
  WriteBig(payload + "/HELP/RANDOM.DAT", 230ll * 1000 * 1000, false);
  Rng rng;
  for (int i = 0; i < 10000; ++i) {
    QString dir = QString("%1/DBDAT/DATA/D%2").arg(payload).arg(i / 500, 2, 10, QChar('0'));
    if (i % 500 == 0) QDir().mkpath(dir);
    QFile f(QString("%1/F%2.DB").arg(dir).arg(i, 5, 10, QChar('0')));
    f.open(QIODevice::WriteOnly);
    int size = 500 + int(rng.Next() % 3500);
    QByteArray data;
    while (data.size() < size) data += QByteArray::number(rng.Next() % 100000) + ";ROW;";
    f.write(data.left(size));
  }
  QStringList args = {mkmedium, "--out", work + "/medium", "--disks", QString::number(kDisks),
                      "--part-size", "60000000"};
  for (const char* key : kKeys) args << payload + "/" + key;
  if (Spawn(args, nullptr, "/dev/null") != 0) qFatal("mkmedium failed");
  QDir(payload).removeRecursively();
  QFile f(stamp);
  f.open(QIODevice::WriteOnly);
}

// The parts of the medium in the order they join: by key, then by number.
QStringList PartsOf(const QString& medium, const QString& key) {
  QList<QPair<int, QString>> parts;
  for (int d = 1; d <= kDisks; ++d)
    for (const QFileInfo& fi : QDir(QString("%1/disk%2").arg(medium).arg(d))
                                   .entryInfoList({key + ".*"}, QDir::Files))
      parts.append({fi.suffix().toInt(), fi.filePath()});
  std::sort(parts.begin(), parts.end());
  QStringList out;
  for (const auto& p : parts) out << p.second;
  return out;
}

QString ShellQuote(const QString& s) { return "'" + QString(s).replace("'", "'\\''") + "'"; }

// Files and bytes of a tree.
QPair<qint64, qint64> Census(const QString& root) {
  qint64 files = 0, bytes = 0;
  QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    if (it.fileName().endsWith(".ZIP") && QFileInfo(it.filePath()).path() == root) continue;
    ++files;
    bytes += it.fileInfo().size();
  }
  return {files, bytes};
}

// --- ours, in a child process ---

struct NullPage : TDiskSetPage {
  void SetGroupName(const QString&) override {}
  void SetCopyMax(int) override {}
  void SetCopyPosition(int) override {}
  void SetUnzipMax(int) override {}
  void SetUnzipPosition(int) override {}
  void SetModalResult(int) override {}
};

int RunOurs(int argc, char** argv, const QString& work) {
  const QString machine = work + "/machine";
  const QString floppy = machine + "/floppy";
  QFile::remove(floppy);
  QFile::link(work + "/medium/disk1", floppy);
  qputenv("ZAREDERAD_MACHINE", QFile::encodeName(machine));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  KitStartup();
  ResetInstallerState();
  SourceDir = "A:\\";
  DiskCount = kDisks;
  NullPage page;
  // The user: asked for a disk, puts the next one into the drive and presses OK.
  int inserted = 1;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    for (auto* b : modal->findChildren<QAbstractButton*>())
      if (b->text() == "O&K") {
        ++inserted;
        QFile::remove(floppy);
        QFile::link(QString("%1/medium/disk%2").arg(work).arg(inserted), floppy);
        b->click();
        return;
      }
  });
  user.start(1);
  QElapsedTimer timer;
  timer.start();
  if (!AssembleArchives(page, InstallSets[ikLocal])) return 3;
  for (const char* key : kKeys)
    UnzipArchive(page, QString("C:\\WinZorv\\%1.ZIP").arg(key), "C:\\WinZorv");
  double seconds = double(timer.nsecsElapsed()) / 1e9;
  printf("%.3f\n", seconds);
  KitShutdown();
  return 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QString work = QDir::currentPath() + "/media-bench";
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    QString a = argv[i];
    if (a == "--work" && i + 1 < argc) work = QFileInfo(argv[++i]).absoluteFilePath();
    else if (a == "--runs" && i + 1 < argc) runs = std::max(1, atoi(argv[++i]));
    else if (a == "--ours" && i + 1 < argc) return RunOurs(argc, argv, argv[++i]);
    else {
      fprintf(stderr, "usage: media-bench [--work DIR] [--runs N]\n");
      return 2;
    }
  }
  QDir().mkpath(work);
  Generate(work, MKMEDIUM_EXE);
  qint64 mediumBytes = 0;
  for (const char* key : kKeys)
    for (const QString& p : PartsOf(work + "/medium", key)) mediumBytes += QFileInfo(p).size();

  // The machine of our runs: C: for the program folder, A: the floppy drive.
  const QString machine = work + "/machine";
  QDir().mkpath(machine + "/drive_c/windows/temp");
  QDir().mkpath(machine + "/registry");
  {
    QFile ini(machine + "/machine.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write("[Drives]\nC=fixed,drive_c\nA=removable,floppy\n[Network]\n[Environment]\n"
              "TEMP=C:\\windows\\temp\nWINDIR=C:\\windows\n");
    QFile win(machine + "/drive_c/windows/WIN.INI");
    win.open(QIODevice::WriteOnly);
    win.write("[windows]\r\n");
  }
  const QString oursOut = machine + "/drive_c/WinZorv";
  const QString theirsOut = work + "/unzip-out";

  QString script = "set -e; cd " + ShellQuote(theirsOut) + "; ";
  for (const char* key : kKeys) {
    script += "cat";
    for (const QString& p : PartsOf(work + "/medium", key)) script += " " + ShellQuote(p);
    script += QString(" > %1.ZIP; ").arg(key);
  }
  for (const char* key : kKeys) script += QString("unzip -o -q %1.ZIP; ").arg(key);

  // Warm the page cache with the medium, so that no run pays for the first read.
  Spawn({"sh", "-c", "cat " + ShellQuote(work) + "/medium/disk*/* > /dev/null"});
  printf("media-bench: medium %.0f MB over %d disks, %d runs each\n", mediumBytes / 1e6, kDisks,
         runs);
  std::vector<double> ours, theirs;
  long peakKb = 0;
  QPair<qint64, qint64> oursCensus, theirsCensus;
  const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
  const QString timeFile = work + "/ours.txt";
  for (int r = 0; r < runs; ++r) {
    QDir(oursOut).removeRecursively();
    QDir().mkpath(oursOut);
    sync();
    struct rusage ru {};
    int code = Spawn({self, "--ours", work}, &ru, timeFile);
    QFile f(timeFile);
    f.open(QIODevice::ReadOnly);
    bool ok = false;
    double s = f.readAll().trimmed().toDouble(&ok);
    if (code != 0 || !ok) qFatal("our run failed (exit code %d)", code);
    ours.push_back(s);
    peakKb = std::max(peakKb, ru.ru_maxrss);
    oursCensus = Census(oursOut);
    QDir(oursOut).removeRecursively();

    QDir(theirsOut).removeRecursively();
    QDir().mkpath(theirsOut);
    sync();
    QElapsedTimer timer;
    timer.start();
    code = Spawn({"sh", "-c", script});
    double t = double(timer.nsecsElapsed()) / 1e9;
    if (code != 0) qFatal("cat + unzip failed (exit code %d)", code);
    theirs.push_back(t);
    theirsCensus = Census(theirsOut);
    QDir(theirsOut).removeRecursively();
    printf("run %d: ours %.3f s, cat+unzip %.3f s\n", r + 1, s, t);
    fflush(stdout);
  }
  if (oursCensus != theirsCensus)
    qFatal("the two unpacked different things: %lld files, %lld bytes against %lld files, %lld bytes",
           oursCensus.first, oursCensus.second, theirsCensus.first, theirsCensus.second);
  printf("unpacked: %lld files, %.0f MB\n", oursCensus.first, oursCensus.second / 1e6);
  double o = Median(ours), t = Median(theirs);
  printf("media: ours %.2f s, cat+unzip %.2f s, ratio %.2f, peak %.0f MB\n", o, t, o / t,
         peakKb / 1024.0);
  return 0;
}
