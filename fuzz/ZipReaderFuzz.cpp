// The ZIP reader on any archive: no crash; every refusal names the archive; nothing is written
// outside the destination, no link is made and no temporary file stays; every file unpacked has
// its declared size; and ISA-L and zlib unpack the same archive to the same files.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cstdint>
#include <cstdlib>

#include "media/ZipReader.h"
#include "platform/WinError.h"

namespace {

QString root;  // the machine folder

// Files of a folder with their contents; links and temporary files end the run.
QMap<QString, QByteArray> Tree(const QString& folder) {
  QMap<QString, QByteArray> files;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    const QFileInfo fi = it.fileInfo();
    if (fi.isSymLink() || fi.fileName().endsWith(".tmp")) abort();
    if (fi.isFile()) {
      QFile f(fi.filePath());
      f.open(QIODevice::ReadOnly);
      files.insert(fi.filePath().mid(folder.size()), f.readAll());
    } else {
      files.insert(fi.filePath().mid(folder.size()) + "/", {});
    }
  }
  return files;
}

// Unpacks into a fresh folder; false when the reader refused the archive.
bool Unpack(TInflater engine, const QString& folder, QMap<QString, QByteArray>* tree) {
  QDir(root + "/drive_c/" + folder).removeRecursively();
  bool ok = true;
  try {
    TZipReader reader("C:\\IN.ZIP");
    reader.Inflater = engine;
    reader.OnProgress = [](quint64 position, const TZipHeader& h) {
      if (position != h.UncompressedSize) abort();
    };
    reader.UnpackAll("C:\\" + folder);
  } catch (const win::Error& e) {
    const QString m = e.message();
    if (!m.startsWith("Arhiva C:\\IN.ZIP ") && !m.startsWith("Fisierul C:\\IN.ZIP ")) abort();
    ok = false;
  }
  *tree = Tree(root + "/drive_c/" + folder);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  root = QDir::tempPath() + "/zarederad-fuzz-zip-" +
         QString::number(QCoreApplication::applicationPid());
  QDir(root).removeRecursively();
  QDir().mkpath(root + "/drive_c/windows/temp");
  QFile ini(root + "/machine.ini");
  ini.open(QIODevice::WriteOnly);
  ini.write(
      "[Drives]\nC=fixed,drive_c\n[Network]\n[Environment]\nTEMP=C:\\windows\\temp\n"
      "WINDIR=C:\\windows\n");
  ini.close();
  qputenv("ZAREDERAD_MACHINE", QFile::encodeName(root));
  // A small disk: declared sizes beyond it are refused before anything is written.
  TZipReader::FreeSpaceQuery = [](const QString&) { return quint64(64) << 20; };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QFile in(root + "/drive_c/IN.ZIP");
  in.open(QIODevice::WriteOnly | QIODevice::Truncate);
  in.write(reinterpret_cast<const char*>(data), qint64(size));
  in.close();
  QMap<QString, QByteArray> a, b;
  const bool okA = Unpack(TInflater::IsaL, "A", &a);
  const bool okB = Unpack(TInflater::Zlib, "B", &b);
  if (okA && okB && a != b) abort();
  // Nothing but the archive, the two destinations and the Windows folder.
  for (const QString& name :
       QDir(root + "/drive_c")
           .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    if (name != "IN.ZIP" && name != "A" && name != "B" && name != "windows") abort();
  return 0;
}
