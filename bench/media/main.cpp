// media-bench: joins and unpacks a medium with the installer's own code and, in the same runs,
// with the tools a Linux user would reach for: cat + Info-ZIP unzip and cat + bsdtar.
//
//   media-bench [--work DIR] [--runs N] [--case NAME]
//               [--generate mixed|small | --medium DIR | --payload DIR --disks N] [--keep]
//
//   --generate mixed  (default) about 300 MB of parts over 3 disks: 400 MB of compressible text,
//                     230 MB of random bytes, 10,000 small files
//   --generate small  10,000 files of 1 to 4 KB on one disk
//   --medium DIR      a medium made by mkmedium (DIR/disk1 ... DIR/diskN)
//   --payload DIR     component folders (DIR/EXE, DIR/HELP, ...) made into a medium of --disks N
//   --keep            leave the output folders (WORK/CASE/machine/drive_c/bench) for the caller
//
// Every side is a whole process timed from outside (ours is this program with --ours, Qt and
// the disk prompts included); the sides take turns in a rotating order; each run of each side
// writes into a fresh folder and all of them are removed only after the last run (deleting
// thousands of files just before the next side runs slows that side down). The figures are the
// medians of the times and of the paired ratios (ours / theirs in the same run), and the peak
// resident memory of each side. The last line:
//   media CASE: ours S s, cat+unzip S s (ratio R), cat+bsdtar S s (ratio R), peak M MB
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
#include <functional>
#include <vector>

#include "core/Iglobals.h"
#include "kit/GGlobals.h"
#include "kit/KitPrompt.h"
#include "media/Diskset.h"
#include "platform/Machine.h"
#include "platform/Process.h"

extern char** environ;

namespace {

// The medium as the installer state describes it.
TDiskSet StateDisks() {
  return {SourceDir, DiskCount, ShownProgramDir};
}

const char* const kAllKeys[] = {"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};

// --- generated payloads ---

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
  static const char* const words[] = {
      "debit", "credit",  "cont",   "4111",     "5121", "sold",    "factura", "client",
      "TVA",   "balanta", "jurnal", "registru", "0.00", "1250.75", "RON",     "2026-12-10"};
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

void SmallFiles(const QString& folder, int count, int minSize, int maxSize) {
  Rng rng;
  for (int i = 0; i < count; ++i) {
    QString dir = QString("%1/DATA/D%2").arg(folder).arg(i / 500, 2, 10, QChar('0'));
    if (i % 500 == 0) QDir().mkpath(dir);
    QFile f(QString("%1/F%2.DB").arg(dir).arg(i, 5, 10, QChar('0')));
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(f.fileName()));
    int size = minSize + int(rng.Next() % quint64(maxSize - minSize + 1));
    QByteArray data;
    while (data.size() < size) data += QByteArray::number(rng.Next() % 100000) + ";ROW;";
    f.write(data.left(size));
  }
}

struct Result {
  int code = -1;
  double seconds = 0;
  long peakKb = 0;
};

// Runs a program to its end, timed from outside; its peak memory counts its children too.
Result Spawn(const QStringList& args, const QString& out = {}) {
  std::vector<QByteArray> bytes;
  for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& b : bytes) argv.push_back(b.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  QByteArray outPath = QFile::encodeName(out.isEmpty() ? "/dev/null" : out);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  QElapsedTimer timer;
  timer.start();
  pid_t pid;
  Result r;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  r.seconds = double(timer.nsecsElapsed()) / 1e9;
  r.peakKb = ru.ru_maxrss;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

QString ShellQuote(const QString& s) {
  return "'" + QString(s).replace("'", "'\\''") + "'";
}

int DisksOf(const QString& medium) {
  int n = 0;
  while (QFileInfo(QString("%1/disk%2").arg(medium).arg(n + 1)).isDir()) ++n;
  return n;
}

// The parts of an archive in the order they join: disk by disk, then by name as text.
QStringList PartsOf(const QString& medium, const QString& key) {
  QStringList out;
  for (int d = 1; d <= DisksOf(medium); ++d) {
    QStringList names = QDir(QString("%1/disk%2").arg(medium).arg(d))
                            .entryList({key + ".*"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& n : names)
      if (n.back().isDigit()) out << QString("%1/disk%2/%3").arg(medium).arg(d).arg(n);
  }
  return out;
}

QStringList KeysOf(const QString& medium) {
  QStringList keys;
  for (const char* key : kAllKeys)
    if (!PartsOf(medium, key).isEmpty()) keys << key;
  return keys;
}

// Files and bytes of a tree, without the joined archives at its top.
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

// Writes a side's output to disk and drops it from the page cache, joined archives included.
// On a virtual machine whose memory the host backs lazily, page cache made of memory the guest
// has never touched costs a host fault per page (here touching 1 GB of fresh memory took 4 s,
// touching it again 0.8 s): left cached, every run would grow the cache into fresh memory and
// measure that. Dropped, the next side's cache reuses the pages just freed.
void Evict(const QString& root) {
  sync();
  QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    int fd = open(QFile::encodeName(it.next()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
  }
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

// media-bench --ours MACHINE MEDIUM FOLDER: the floppy drive A: of the machine is a link that
// the scripted user points at the next disk when the installer asks for it.
int RunOurs(int argc, char** argv, const QString& machine, const QString& medium,
            const QString& folder) {
  const QString floppy = machine + "/floppy";
  QFile::remove(floppy);
  QFile::link(medium + "/disk1", floppy);
  qputenv("ZAREDERAD_MACHINE", QFile::encodeName(machine));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  win::PinTimeZone();  // as the installer's main does
  QApplication app(argc, argv);
  KitStartup();
  // The disk prompts are the kit's message boxes, which the scripted user below answers.
  InstallKitPrompts();
  ResetInstallerState();
  SourceDir = "A:\\";
  DiskCount = DisksOf(medium);
  ShownProgramDir = ProgramDir = folder;
  NullPage page;
  int inserted = 1;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    for (auto* b : modal->findChildren<QAbstractButton*>())
      if (b->text() == "O&K") {
        ++inserted;
        QFile::remove(floppy);
        QFile::link(QString("%1/disk%2").arg(medium).arg(inserted), floppy);
        b->click();
        return;
      }
  });
  user.start(1);
  if (!AssembleArchives(page, InstallSets[ikLocal], StateDisks())) return 3;
  for (const QString& key : KeysOf(medium))
    UnzipArchive(page, QString("%1\\%2.ZIP").arg(folder, key), folder);
  KitShutdown();
  return 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void Usage() {
  fprintf(stderr,
          "usage: media-bench [--work DIR] [--runs N] [--case NAME]\n"
          "                   [--generate mixed|small | --medium DIR | --payload DIR --disks N]\n"
          "                   [--keep]\n");
  exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  QString work = QDir::currentPath() + "/media-bench";
  QString generate, medium, payload, name;
  int runs = 5, disks = 0;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    QString a = argv[i];
    auto value = [&]() -> QString {
      if (i + 1 >= argc) Usage();
      return QString::fromLocal8Bit(argv[++i]);
    };
    if (a == "--ours" && i + 3 < argc)
      return RunOurs(argc, argv, argv[i + 1], argv[i + 2], argv[i + 3]);
    if (a == "--work")
      work = QFileInfo(value()).absoluteFilePath();
    else if (a == "--runs")
      runs = std::max(1, value().toInt());
    else if (a == "--case")
      name = value();
    else if (a == "--generate")
      generate = value();
    else if (a == "--medium")
      medium = QFileInfo(value()).absoluteFilePath();
    else if (a == "--payload")
      payload = QFileInfo(value()).absoluteFilePath();
    else if (a == "--disks")
      disks = value().toInt();
    else if (a == "--keep")
      keep = true;
    else
      Usage();
  }
  if (int(!generate.isEmpty()) + int(!medium.isEmpty()) + int(!payload.isEmpty()) > 1) Usage();
  if (!payload.isEmpty() && disks < 1) Usage();
  if (generate.isEmpty() && medium.isEmpty() && payload.isEmpty()) generate = "mixed";
  if (!generate.isEmpty() && generate != "mixed" && generate != "small") Usage();
  if (name.isEmpty())
    name =
        !generate.isEmpty() ? generate : QFileInfo(medium.isEmpty() ? payload : medium).fileName();
  const QString home = work + "/" + name;
  QDir().mkpath(home);

  if (!generate.isEmpty()) {
    payload = home + "/payload";
    disks = generate == "mixed" ? 3 : 1;
    if (!QFileInfo::exists(payload + ".ok")) {
      printf("media-bench: generating the %s payload in %s (once)\n", qPrintable(generate),
             qPrintable(payload));
      fflush(stdout);
      QDir(payload).removeRecursively();
      if (generate == "mixed") {
        for (const char* key : {"EXE", "HELP", "DBDAT"}) QDir().mkpath(payload + "/" + key);
        WriteBig(payload + "/EXE/LARGE.DAT", 400ll * 1000 * 1000, true);
        WriteBig(payload + "/HELP/RANDOM.DAT", 230ll * 1000 * 1000, false);
        SmallFiles(payload + "/DBDAT", 10000, 500, 4000);
      } else {
        QDir().mkpath(payload + "/DBDAT");
        SmallFiles(payload + "/DBDAT", 10000, 1024, 4096);
      }
      QFile(payload + ".ok").open(QIODevice::WriteOnly);
    }
  }
  if (!payload.isEmpty()) {
    medium = home + "/medium";
    const QString stamp = medium + ".ok";
    const QByteArray recipe = (payload + " " + QString::number(disks)).toUtf8();
    QFile s(stamp);
    if (!s.open(QIODevice::ReadOnly) || s.readAll() != recipe) {
      s.close();
      printf("media-bench: making the medium of %s over %d disks\n", qPrintable(payload), disks);
      fflush(stdout);
      QStringList args = {MKMEDIUM_EXE, "--out", medium, "--disks", QString::number(disks)};
      if (generate == "mixed")
        args << "--part-size"
             << "60000000";
      for (const QFileInfo& c : QDir(payload).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        args << c.absoluteFilePath();
      if (Spawn(args).code != 0) qFatal("mkmedium failed");
      QFile w(stamp);
      w.open(QIODevice::WriteOnly);
      w.write(recipe);
    }
  }
  disks = DisksOf(medium);
  const QStringList keys = KeysOf(medium);
  if (disks < 1 || keys.isEmpty()) qFatal("no medium in %s", qPrintable(medium));
  qint64 mediumBytes = 0;
  for (const QString& key : keys)
    for (const QString& p : PartsOf(medium, key)) mediumBytes += QFileInfo(p).size();

  // The machine of our runs: C: holds the output folders, A: is the floppy drive.
  const QString machine = home + "/machine";
  QDir().mkpath(machine + "/drive_c/windows/temp");
  QDir().mkpath(machine + "/registry");
  {
    QFile ini(machine + "/machine.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(
        "[Drives]\nC=fixed,drive_c\nA=removable,floppy\n[Network]\n[Environment]\n"
        "TEMP=C:\\windows\\temp\nWINDIR=C:\\windows\n");
    QFile win(machine + "/drive_c/windows/WIN.INI");
    win.open(QIODevice::WriteOnly);
    win.write("[windows]\r\n");
  }
  const QString outputs = machine + "/drive_c/bench";
  QDir(outputs).removeRecursively();
  QDir().mkpath(outputs);

  auto joinScript = [&](const QString& folder) {
    QString script = "set -e; cd " + ShellQuote(folder) + "; ";
    for (const QString& key : keys) {
      script += "cat";
      for (const QString& p : PartsOf(medium, key)) script += " " + ShellQuote(p);
      script += QString(" > %1.ZIP; ").arg(key);
    }
    return script;
  };
  const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
  struct Side {
    const char* name;
    const char* dir;  // output folders dir-1, dir-2, ...
    std::function<QStringList(const QString& folder, int run)> command;
    std::vector<double> seconds;
    long peakKb = 0;
  };
  std::vector<Side> sides = {
      {"ours",
       "ours",
       [&](const QString&, int run) {
         return QStringList{self, "--ours", machine, medium,
                            QString("C:\\bench\\ours-%1").arg(run)};
       },
       {},
       0},
      {"cat+unzip",
       "unzip",
       [&](const QString& folder, int) {
         QString script = joinScript(folder);
         for (const QString& key : keys) script += QString("unzip -o -q %1.ZIP; ").arg(key);
         return QStringList{"sh", "-c", script};
       },
       {},
       0},
      {"cat+bsdtar",
       "bsdtar",
       [&](const QString& folder, int) {
         QString script = joinScript(folder);
         for (const QString& key : keys) script += QString("bsdtar -xf %1.ZIP; ").arg(key);
         return QStringList{"sh", "-c", script};
       },
       {},
       0},
  };

  // The medium comes from the page cache in every run, the first included.
  Spawn({"sh", "-c", "cat " + ShellQuote(medium) + "/disk*/* > /dev/null"});
  printf("media-bench: case %s, medium %.1f MB over %d disks (%s), %d runs of each side\n",
         qPrintable(name), mediumBytes / 1e6, disks, qPrintable(keys.join(' ')), runs);
  // One run of ours that is not counted: the memory the runs' page cache will reuse is touched
  // once (see Evict).
  {
    const QString out = outputs + "/ours-0";
    QDir().mkpath(out);
    sync();
    Result res = Spawn(sides[0].command(out, 0));
    if (res.code != 0) qFatal("ours failed in the warm-up run (exit code %d)", res.code);
    Evict(out);
    printf("warm-up: ours %.3f s, not counted\n", res.seconds);
    fflush(stdout);
  }
  QPair<qint64, qint64> census{-1, -1};
  for (int r = 1; r <= runs; ++r) {
    QString line = QString("run %1:").arg(r);
    for (size_t k = 0; k < sides.size(); ++k) {
      // A rotating order: no side always runs first, after the same side, or last.
      Side& side = sides[(k + size_t(r) - 1) % sides.size()];
      const QString out = QString("%1/%2-%3").arg(outputs, side.dir).arg(r);
      QDir().mkpath(out);
      sync();
      Result res = Spawn(side.command(out, r));
      if (res.code != 0) qFatal("%s failed in run %d (exit code %d)", side.name, r, res.code);
      side.seconds.push_back(res.seconds);
      side.peakKb = std::max(side.peakKb, res.peakKb);
      QPair<qint64, qint64> c = Census(out);
      if (census.first < 0) census = c;
      if (c != census)
        qFatal("%s unpacked %lld files, %lld bytes, not %lld files, %lld bytes", side.name, c.first,
               c.second, census.first, census.second);
      Evict(out);
      line += QString(" %1 %2 s (%3 MB)")
                  .arg(side.name)
                  .arg(res.seconds, 0, 'f', 3)
                  .arg(res.peakKb / 1024.0, 0, 'f', 0);
    }
    printf("%s\n", qPrintable(line));
    fflush(stdout);
  }
  printf("unpacked: %lld files, %.1f MB; %s the %d output folders and the warm-up\n", census.first,
         census.second / 1e6, keep ? "keeping" : "removing", runs * int(sides.size()));
  fflush(stdout);
  if (!keep) QDir(outputs).removeRecursively();

  auto ratio = [&](const Side& theirs) {
    std::vector<double> v;
    for (size_t i = 0; i < theirs.seconds.size(); ++i)
      v.push_back(sides[0].seconds[i] / theirs.seconds[i]);
    return Median(v);
  };
  printf("peaks: ours %.0f MB, cat+unzip %.0f MB, cat+bsdtar %.0f MB\n", sides[0].peakKb / 1024.0,
         sides[1].peakKb / 1024.0, sides[2].peakKb / 1024.0);
  printf(
      "media %s: ours %.2f s, cat+unzip %.2f s (ratio %.2f), cat+bsdtar %.2f s (ratio %.2f), "
      "peak %.0f MB\n",
      qPrintable(name), Median(sides[0].seconds), Median(sides[1].seconds), ratio(sides[1]),
      Median(sides[2].seconds), ratio(sides[2]), sides[0].peakKb / 1024.0);
  return 0;
}
