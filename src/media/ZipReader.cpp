#include "media/ZipReader.h"

#include <zip.h>

#include <QStringList>
#include <memory>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace {

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// The entry's path below the destination, or an error when it would leave it.
QString SafeRelativePath(const QString& archive, const QString& name) {
  QString p = name;
  p.replace('/', '\\');
  bool unsafe = p.startsWith('\\') || (p.size() >= 2 && p[1] == ':');
  for (const QString& part : p.split('\\', Qt::SkipEmptyParts))
    if (part == "..") unsafe = true;
  if (unsafe)
    throw win::Error(QString("The archive %1 holds an entry outside its folder: %2")
                         .arg(archive, name),
                     win::ERROR_INVALID_NAME);
  return p;
}

}  // namespace

void UnzipAll(const QString& archive, const QString& destination) {
  QString host = win::TryToHostPath(archive);
  int err = 0;
  std::unique_ptr<zip_t, ZipCloser> zip(
      host.isEmpty() ? nullptr : zip_open(host.toLocal8Bit().constData(), ZIP_RDONLY, &err));
  if (!zip) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, err);
    QString why = host.isEmpty() ? "no such drive" : QString::fromUtf8(zip_error_strerror(&ze));
    zip_error_fini(&ze);
    throw win::Error(QString("Cannot open the archive %1: %2").arg(archive, why),
                     win::ERROR_FILE_NOT_FOUND);
  }
  zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* raw = zip_get_name(zip.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
    if (!raw) continue;
    QString rel = SafeRelativePath(archive, QString::fromUtf8(raw));
    QString target = win::JoinPath(destination, rel);
    if (rel.endsWith('\\')) {
      win::ForceDirectories(target);
      continue;
    }
    win::ForceDirectories(win::ExtractFilePath(target));
    std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(zip.get(), zip_uint64_t(i), 0));
    if (!in)
      throw win::Error(QString("Cannot read %1 in the archive %2").arg(rel, archive),
                       win::ERROR_INVALID_PARAMETER);
    win::WinFile out(target, win::WinFile::Create);
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_fread(in.get(), buffer, sizeof buffer)) > 0) out.write(buffer, n);
    if (n < 0)
      throw win::Error(QString("The archive %1 is damaged at %2").arg(archive, rel),
                       win::ERROR_INVALID_PARAMETER);
    out.close();
  }
}
