// mkmedium: builds an installation medium from component folders.
//
//   mkmedium --out DIR --disks N [--part-size BYTES] [--nr-discuri N] [--level 1-9]
//            [--installer FILE] [--upgrade FILE] COMPONENT_DIR...
//
// Each component folder (its name is the component key: EXE, VELAROS, DBDAT, DBNEW, BDE32, HELP,
// KANVERO) becomes one ZIP archive made by MS-DOS, deflated, with the files' DOS times and
// attributes. The archives are cut into parts KEY.1, KEY.2, ... of at most --part-size bytes and
// spread in order over the disk folders DIR/disk1 ... DIR/diskN, filled evenly; each disk folder
// holds its marker DISK<n>. The first disk also holds INSTALL.EXE (--installer, stripped of its
// debug data and symbols when it is an ELF program), INSTALL.CFG with
// [General] NrDiscuri (default: the number of disks) and UPGRADE.1 (--upgrade: a ZIP archive as
// it is, or a library that is packed as UPGRADE.dll).
#include <sys/stat.h>
#include <zip.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

const QStringList kKeys = {"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};

struct Failure : std::runtime_error {
  explicit Failure(const QString& m) : std::runtime_error(m.toStdString()) {}
};

struct Options {
  QString out;
  int disks = 0;
  qint64 partSize = 0;
  int nrDiscuri = -1;
  int level = 6;
  QString installer, upgrade;
  QStringList components;
};

void Usage() {
  fprintf(stderr,
          "usage: mkmedium --out DIR --disks N [--part-size BYTES] [--nr-discuri N] [--level 1-9]\n"
          "                [--installer FILE] [--upgrade FILE] COMPONENT_DIR...\n");
}

Options Parse(const QStringList& args) {
  Options o;
  auto number = [](const QString& opt, const QString& v, qint64 min) {
    bool ok = false;
    qint64 n = v.toLongLong(&ok);
    if (!ok || n < min)
      throw Failure(
          QString("%1 needs a number of at least %2, not \"%3\"").arg(opt).arg(min).arg(v));
    return n;
  };
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() {
      if (i + 1 >= args.size()) throw Failure(a + " needs a value");
      return args[++i];
    };
    if (a == "--out")
      o.out = value();
    else if (a == "--disks")
      o.disks = int(number(a, value(), 1));
    else if (a == "--part-size")
      o.partSize = number(a, value(), 1);
    else if (a == "--nr-discuri")
      o.nrDiscuri = int(number(a, value(), 0));
    else if (a == "--level")
      o.level = int(number(a, value(), 1));
    else if (a == "--installer")
      o.installer = value();
    else if (a == "--upgrade")
      o.upgrade = value();
    else if (a == "--help" || a == "-h") {
      Usage();
      exit(0);
    } else if (a.startsWith("--"))
      throw Failure("unknown option " + a);
    else
      o.components << a;
  }
  if (o.out.isEmpty()) throw Failure("--out is required");
  if (o.disks < 1) throw Failure("--disks is required");
  if (o.level > 9) throw Failure("--level is 1 to 9");
  QStringList seen;
  for (const QString& c : o.components) {
    QFileInfo fi(c);
    if (!fi.isDir()) throw Failure("not a folder: " + c);
    QString key = fi.fileName();
    if (!kKeys.contains(key.toUpper()))
      throw Failure(
          QString("the folder %1 is not named by a component key (%2)").arg(c, kKeys.join(", ")));
    if (seen.contains(key.toUpper())) throw Failure("component given twice: " + key);
    seen << key.toUpper();
  }
  return o;
}

// DOS attributes of a host file: read-only when nobody may write it; files are marked for
// archiving, as the platform marks every new file.
zip_uint32_t DosAttributes(const QFileInfo& fi) {
  if (fi.isDir()) return 0x10;
  zip_uint32_t attr = 0x20;
  if (!(fi.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
    attr |= 0x01;
  return attr;
}

void Check(zip_t* z, bool ok, const QString& what) {
  if (!ok) throw Failure(what + ": " + QString::fromUtf8(zip_strerror(z)));
}

// Adds a folder's content under prefix, names sorted without regard to case.
void AddTree(zip_t* z, const QString& folder, const QString& prefix, int level) {
  QDir dir(folder);
  const QFileInfoList list =
      dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDir::Name | QDir::IgnoreCase | QDir::DirsLast);
  for (const QFileInfo& fi : list) {
    if (fi.isSymLink()) throw Failure("symbolic links are not packed: " + fi.filePath());
    QString name = prefix + fi.fileName();
    QByteArray utf8 = name.toUtf8();
    zip_int64_t index;
    if (fi.isDir()) {
      index = zip_dir_add(z, (utf8 + "/").constData(), ZIP_FL_ENC_UTF_8);
      Check(z, index >= 0, "cannot add the folder " + fi.filePath());
    } else {
      zip_source_t* src = zip_source_file(z, QFile::encodeName(fi.filePath()).constData(), 0, -1);
      Check(z, src != nullptr, "cannot read " + fi.filePath());
      index = zip_file_add(z, utf8.constData(), src, ZIP_FL_ENC_UTF_8);
      if (index < 0) zip_source_free(src);
      Check(z, index >= 0, "cannot add " + fi.filePath());
      Check(z,
            zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(level)) ==
                0,
            "cannot deflate " + fi.filePath());
    }
    Check(z,
          zip_file_set_mtime(z, zip_uint64_t(index), time_t(fi.lastModified().toSecsSinceEpoch()),
                             0) == 0,
          "cannot date " + fi.filePath());
    Check(z,
          zip_file_set_external_attributes(z, zip_uint64_t(index), 0, ZIP_OPSYS_DOS,
                                           DosAttributes(fi)) == 0,
          "cannot set the attributes of " + fi.filePath());
    if (fi.isDir()) AddTree(z, fi.filePath(), name + "/", level);
  }
}

void MakeArchive(const QString& target, const QList<QPair<QString, QString>>& files,
                 const QString& tree, int level) {
  QFile::remove(target);
  int err = 0;
  zip_t* z = zip_open(QFile::encodeName(target).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!z) throw Failure("cannot create " + target);
  try {
    if (!tree.isEmpty()) AddTree(z, tree, "", level);
    for (const auto& [name, path] : files) {
      zip_source_t* src = zip_source_file(z, QFile::encodeName(path).constData(), 0, -1);
      Check(z, src != nullptr, "cannot read " + path);
      zip_int64_t index = zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
      if (index < 0) zip_source_free(src);
      Check(z, index >= 0, "cannot add " + path);
      zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(level));
      zip_file_set_mtime(z, zip_uint64_t(index),
                         time_t(QFileInfo(path).lastModified().toSecsSinceEpoch()), 0);
      zip_file_set_external_attributes(z, zip_uint64_t(index), 0, ZIP_OPSYS_DOS, 0x20);
    }
  } catch (...) {
    zip_discard(z);
    throw;
  }
  if (zip_close(z) != 0) {
    QString why = QString::fromUtf8(zip_strerror(z));
    zip_discard(z);
    throw Failure("cannot write " + target + ": " + why);
  }
}

void CopyRange(QFile& in, qint64 size, const QString& target) {
  QFile out(target);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw Failure("cannot write " + target);
  std::vector<char> buffer(1 << 20);
  while (size > 0) {
    qint64 n = in.read(buffer.data(), qMin<qint64>(size, qint64(buffer.size())));
    if (n <= 0) throw Failure("cannot read " + in.fileName());
    if (out.write(buffer.data(), n) != n) throw Failure("cannot write " + target);
    size -= n;
  }
  if (!out.flush()) throw Failure("cannot write " + target);
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
    throw Failure("cannot write " + path);
}

void CopyInto(const QString& source, const QString& target, bool executable) {
  QFile::remove(target);
  if (!QFile::copy(source, target)) throw Failure("cannot copy " + source + " to " + target);
  QFile::Permissions p = QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner;
  if (executable) p |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
  QFile::setPermissions(target, p);
}

// The installer on the medium is a stripped copy: its debug data (most of a build's bytes)
// would only slow down every installation's start. The build keeps its own file as it is.
void PlaceInstaller(const QString& source, const QString& target) {
  QFile f(source);
  if (!f.open(QIODevice::ReadOnly)) throw Failure("cannot read " + source);
  const bool elf = f.read(4) == QByteArray(
                                    "\x7f"
                                    "ELF",
                                    4);
  f.close();
  if (!elf) {  // a script stands in for the installer in tests
    CopyInto(source, target, true);
    return;
  }
  QFile::remove(target);
  QProcess strip;
  strip.start("strip", {"--strip-all", "-o", target, source});
  if (!strip.waitForFinished(120000) || strip.exitStatus() != QProcess::NormalExit ||
      strip.exitCode() != 0)
    throw Failure("cannot strip " + source + " into " + target + ": " +
                  QString::fromLocal8Bit(strip.readAllStandardError()).trimmed() +
                  (strip.error() == QProcess::FailedToStart ? "strip (binutils) is missing" : ""));
  QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner |
                                    QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
}

int Run(const Options& o) {
  QDir out(o.out);
  if (!out.mkpath(".")) throw Failure("cannot create " + o.out);
  // A previous medium in the same place must not leave parts behind.
  for (const QString& d : out.entryList({"disk*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool numbered = false;
    d.mid(4).toInt(&numbered);
    if (numbered) QDir(out.filePath(d)).removeRecursively();
  }
  QStringList diskDirs;
  for (int n = 1; n <= o.disks; ++n) {
    QString d = out.filePath(QString("disk%1").arg(n));
    if (!QDir().mkpath(d)) throw Failure("cannot create " + d);
    WriteFile(d + QString("/DISK%1").arg(n), {});
    diskDirs << d;
  }

  struct Archive {
    QString key, path;
    qint64 size;
  };
  QList<Archive> archives;
  qint64 total = 0;
  for (const QString& c : o.components) {
    QString key = QFileInfo(c).fileName();
    QString path = out.filePath("." + key + ".zip.tmp");
    MakeArchive(path, {}, QFileInfo(c).absoluteFilePath(), o.level);
    qint64 size = QFileInfo(path).size();
    archives.append({key, path, size});
    total += size;
  }

  // Disks are filled evenly; no part is larger than the part size or crosses a disk.
  const qint64 capacity = qMax<qint64>(1, (total + o.disks - 1) / o.disks);
  const qint64 partSize = o.partSize > 0 ? o.partSize : capacity;
  int disk = 0;
  qint64 used = 0;
  for (const Archive& a : archives) {
    QFile in(a.path);
    if (!in.open(QIODevice::ReadOnly)) throw Failure("cannot read " + a.path);
    qint64 left = a.size;
    for (int k = 1; left > 0; ++k) {
      bool last = disk == o.disks - 1;
      if (!last && used >= capacity) {
        ++disk;
        used = 0;
        last = disk == o.disks - 1;
      }
      qint64 chunk = qMin(left, partSize);
      if (!last) chunk = qMin(chunk, capacity - used);
      QString part = QString("%1/%2.%3").arg(diskDirs[disk], a.key).arg(k);
      CopyRange(in, chunk, part);
      printf("%s %lld\n", qPrintable(QDir(o.out).relativeFilePath(part)), chunk);
      used += chunk;
      left -= chunk;
    }
    in.close();
    QFile::remove(a.path);
  }

  const QString first = diskDirs[0];
  int nr = o.nrDiscuri >= 0 ? o.nrDiscuri : o.disks;
  WriteFile(first + "/INSTALL.CFG", QString("[General]\r\nNrDiscuri=%1\r\n").arg(nr).toLatin1());
  if (!o.installer.isEmpty()) PlaceInstaller(o.installer, first + "/INSTALL.EXE");
  if (!o.upgrade.isEmpty()) {
    QFile f(o.upgrade);
    if (!f.open(QIODevice::ReadOnly)) throw Failure("cannot read " + o.upgrade);
    bool isZip = f.read(4) == QByteArray("PK\x03\x04", 4);
    f.close();
    if (isZip)
      CopyInto(o.upgrade, first + "/UPGRADE.1", false);
    else
      MakeArchive(first + "/UPGRADE.1", {{"UPGRADE.dll", o.upgrade}}, {}, o.level);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  try {
    return Run(Parse(app.arguments()));
  } catch (const Failure& f) {
    fprintf(stderr, "mkmedium: %s\n", f.what());
    if (argc < 2) Usage();
    return 2;
  }
}
