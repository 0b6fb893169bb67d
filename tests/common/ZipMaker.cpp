#include "common/ZipMaker.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>

bool MakeZip(const QString& hostPath, const QList<QPair<QString, QByteArray>>& entries) {
  int err = 0;
  zip_t* z = zip_open(hostPath.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!z) return false;
  for (const auto& [name, data] : entries) {
    QByteArray n = name.toUtf8();
    if (n.endsWith('/')) {
      zip_dir_add(z, n.constData(), ZIP_FL_ENC_UTF_8);
      continue;
    }
    // libzip owns the copy once the source exists; it keeps no buffer for an empty entry.
    void* copy = data.isEmpty() ? nullptr : malloc(size_t(data.size()));
    if (copy) memcpy(copy, data.constData(), size_t(data.size()));
    zip_source_t* src = zip_source_buffer(z, copy, zip_uint64_t(data.size()), copy ? 1 : 0);
    if (!src) free(copy);
    if (!src || zip_file_add(z, n.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(src);
      zip_discard(z);
      return false;
    }
  }
  return zip_close(z) == 0;
}
