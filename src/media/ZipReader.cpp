#include "media/ZipReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

// The unpacker resolves the destination and each folder through the platform layer once, and
// looks names up inside a folder itself, with the platform's rules (an exact match wins, else
// the first case-insensitive one), from one listing per folder: resolving every new file name
// through the layer would list its folder again for each file, which is quadratic in the size
// of the folder. Writing happens on host paths below the resolved folders only.

namespace {

constexpr qint64 kReadBuffer = qint64{256} * 1024;

QString ZipErrorText(zip_error_t* error) { return QString::fromUtf8(zip_error_strerror(error)); }

QString ZipErrorText(int code) {
  zip_error_t ze;
  zip_error_init_with_code(&ze, code);
  QString text = ZipErrorText(&ze);
  zip_error_fini(&ze);
  return text;
}

[[noreturn]] void Fail(const QString& archive, const QString& entry, const QString& why,
                       int code = win::ERROR_INVALID_PARAMETER) {
  throw win::Error(QString("The archive %1 cannot be unpacked: the entry \"%2\" %3.")
                       .arg(archive, entry, why),
                   code);
}

// Entry names are UTF-8 when they are valid UTF-8 (the flag of the format or a modern packer);
// otherwise they come from an MS-DOS packer in the Central European OEM code page.
QString DecodeName(const char* raw) {
  QByteArray bytes(raw);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString name = utf8.decode(bytes);
  if (!utf8.hasError()) return name;
  QStringDecoder oem("IBM852");
  if (oem.isValid()) return oem.decode(bytes);
  return QString::fromLatin1(bytes);
}

void ToDos(time_t t, quint16& date, quint16& time) {
  struct tm tm {};
  if (!localtime_r(&t, &tm) || tm.tm_year < 80) {
    date = (1 << 5) | 1;  // 1980-01-01, the earliest DOS date
    time = 0;
    return;
  }
  date = quint16(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  time = quint16((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

bool IsLinkEntry(const TZipHeader& h) {
  if (h.MadeByDos()) return false;
  return ((h.ExternalAttributes >> 16) & S_IFMT) == S_IFLNK;
}

bool WantsExecutable(const TZipHeader& h, const QString& name) {
  // Windows runs any .EXE; here a program needs its execute bit, which DOS archives cannot carry.
  QString ext = win::ExtractFileExt(name).toUpper();
  if (ext == ".EXE" || ext == ".COM") return true;
  return !h.MadeByDos() && ((h.ExternalAttributes >> 16) & 0111) != 0;
}

// The names of one host folder, for case-insensitive lookups.
struct FolderNames {
  QSet<QString> exact;
  QHash<QString, QString> folded;  // case-folded name -> the first such entry in name order

  void Add(const QString& name) {
    exact.insert(name);
    QString key = name.toCaseFolded();
    auto it = folded.find(key);
    if (it == folded.end() || name < *it) folded.insert(key, name);
  }
  QString Lookup(const QString& name) const {
    if (exact.contains(name)) return name;
    auto it = folded.find(name.toCaseFolded());
    return it == folded.end() ? name : *it;
  }
};

// Closes and removes a temporary file unless it was handed over.
struct TempFile {
  int fd = -1;
  QByteArray path;
  ~TempFile() {
    if (fd >= 0) ::close(fd);
    if (!path.isEmpty()) ::unlink(path.constData());
  }
};

}  // namespace

QDateTime DosDateTimeToLocal(quint16 dosDate, quint16 dosTime) {
  QDate d(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F);
  QTime t((dosTime >> 11) & 0x1F, (dosTime >> 5) & 0x3F, (dosTime & 0x1F) * 2);
  if (!d.isValid() || !t.isValid()) return {};
  return QDateTime(d, t);
}

struct TZipReader::Impl {
  zip_t* zip = nullptr;
  QString destination;
  QString destinationHost;
  QHash<QString, QString> folders;  // Windows folder -> host folder
  QHash<QString, FolderNames> names;  // host folder -> its names
  std::vector<char> buffer;
  std::vector<time_t> mtimes;

  ~Impl() {
    if (zip) zip_discard(zip);
  }
};

TZipReader::TZipReader(const QString& archive) : archive_(archive), impl_(new Impl) {
  QString host = win::TryToHostPath(archive);
  if (host.isEmpty())
    throw win::Error(QString("Cannot open the archive %1: no drive of this machine holds it.")
                         .arg(archive),
                     win::ERROR_PATH_NOT_FOUND);
  int err = 0;
  impl_->zip = zip_open(QFile::encodeName(host).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!impl_->zip) {
    QString why;
    int code = win::ERROR_INVALID_PARAMETER;
    switch (err) {
      case ZIP_ER_NOENT: why = "it does not exist"; code = win::ERROR_FILE_NOT_FOUND; break;
      case ZIP_ER_NOZIP: why = "it is not a ZIP archive"; break;
      case ZIP_ER_OPEN:
      case ZIP_ER_READ: why = "it cannot be read"; code = win::ERROR_ACCESS_DENIED; break;
      default: why = "it is damaged (" + ZipErrorText(err) + ")"; break;
    }
    throw win::Error(QString("Cannot open the archive %1: %2.").arg(archive, why), code);
  }
  zip_int64_t count = zip_get_num_entries(impl_->zip, 0);
  entries_.reserve(count);
  impl_->mtimes.reserve(size_t(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(impl_->zip, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0)
      throw win::Error(QString("Cannot open the archive %1: entry %2 is damaged (%3).")
                           .arg(archive)
                           .arg(i + 1)
                           .arg(ZipErrorText(zip_get_error(impl_->zip))),
                       win::ERROR_INVALID_PARAMETER);
    TZipHeader h;
    h.FileName = DecodeName(st.name ? st.name : "");
    h.UncompressedSize = st.size;
    h.CompressedSize = st.comp_size;
    h.CompressionMethod = quint16(st.comp_method);
    h.Encrypted = st.encryption_method != ZIP_EM_NONE;
    h.Crc32 = st.crc;
    ToDos(st.mtime, h.DosDate, h.DosTime);
    zip_uint8_t opsys = ZIP_OPSYS_DOS;
    zip_uint32_t attr = 0;
    zip_file_get_external_attributes(impl_->zip, zip_uint64_t(i), 0, &opsys, &attr);
    h.VersionMadeBy = quint16(opsys << 8);
    h.ExternalAttributes = attr;
    entries_.append(h);
    impl_->mtimes.push_back(st.mtime);
  }
}

TZipReader::~TZipReader() = default;

namespace {

// The entry's path below the destination as components, or a refusal when it would leave it.
QStringList SafeComponents(const QString& archive, const TZipHeader& h) {
  QString p = h.FileName;
  p.replace('\\', '/');
  auto refuse = [&](const QString& why) { Fail(archive, h.FileName, why, win::ERROR_INVALID_NAME); };
  if (p.startsWith('/')) refuse("has an absolute path");
  QStringList parts;
  for (const QString& c : p.split('/', Qt::SkipEmptyParts)) {
    if (c == ".") continue;
    if (c.contains(':')) refuse("names a drive or a stream");
    bool onlyDots = true;
    for (QChar ch : c) {
      if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) refuse("has control characters in its name");
      if (ch != '.' && ch != ' ') onlyDots = false;
    }
    if (onlyDots) refuse("would land outside the destination folder");
    parts << c;
  }
  if (parts.isEmpty()) refuse("has no name");
  return parts;
}

void CheckEntry(const QString& archive, const TZipHeader& h) {
  SafeComponents(archive, h);
  if (IsLinkEntry(h)) Fail(archive, h.FileName, "is a symbolic link, which is not installed");
  if (h.IsFolder()) return;
  if (h.Encrypted) Fail(archive, h.FileName, "is encrypted", win::ERROR_NOT_SUPPORTED);
  if (h.CompressionMethod != ZIP_CM_STORE && h.CompressionMethod != ZIP_CM_DEFLATE)
    Fail(archive, h.FileName,
         QString("is packed with method %1, which cannot be unpacked").arg(h.CompressionMethod),
         win::ERROR_NOT_SUPPORTED);
}

}  // namespace

void TZipReader::UnpackAll(const QString& destination) {
  for (const TZipHeader& h : entries_) CheckEntry(archive_, h);
  for (int i = 0; i < Count(); ++i) UnpackEntry(i, destination);
}

void TZipReader::UnpackEntry(int index, const QString& destination) {
  if (index < 0 || index >= Count())
    throw win::Error(QString("The archive %1 has no entry %2.").arg(archive_).arg(index),
                     win::ERROR_INVALID_PARAMETER);
  const TZipHeader& h = entries_[index];
  CheckEntry(archive_, h);
  QStringList parts = SafeComponents(archive_, h);
  Impl& d = *impl_;

  if (d.destination != destination || d.destinationHost.isEmpty()) {
    d.destination = destination;
    d.folders.clear();
    d.names.clear();
    if (!win::ForceDirectories(destination))
      throw win::Error(QString("Cannot create the folder %1.").arg(destination),
                       win::ERROR_PATH_NOT_FOUND);
    d.destinationHost = win::TryToHostPath(destination);
  }

  if (h.IsFolder()) {
    QString folder = win::JoinPath(destination, parts.join('\\'));
    if (!win::ForceDirectories(folder))
      Fail(archive_, h.FileName, "cannot be created as the folder " + folder,
           win::ERROR_ACCESS_DENIED);
    return;
  }

  // The folder of the file, created and resolved once.
  QString name = parts.takeLast();
  QString winFolder =
      parts.isEmpty() ? destination : win::JoinPath(destination, parts.join('\\'));
  auto folderIt = d.folders.find(winFolder);
  if (folderIt == d.folders.end()) {
    if (!win::ForceDirectories(winFolder))
      Fail(archive_, h.FileName, "cannot be written: the folder " + winFolder +
                                     " cannot be created",
           win::ERROR_PATH_NOT_FOUND);
    QString host = win::TryToHostPath(winFolder);
    QString root = d.destinationHost == "/" ? QString("/") : d.destinationHost + "/";
    if (host.isEmpty() || (host != d.destinationHost && !host.startsWith(root)))
      Fail(archive_, h.FileName, "would land outside the destination folder",
           win::ERROR_INVALID_NAME);
    folderIt = d.folders.insert(winFolder, host);
  }
  const QString hostFolder = *folderIt;
  auto namesIt = d.names.find(hostFolder);
  if (namesIt == d.names.end()) {
    FolderNames list;
    if (DIR* dir = ::opendir(QFile::encodeName(hostFolder).constData())) {
      while (struct dirent* e = ::readdir(dir)) {
        QString n = QFile::decodeName(e->d_name);
        if (n != "." && n != "..") list.Add(n);
      }
      ::closedir(dir);
    }
    namesIt = d.names.insert(hostFolder, list);
  }
  const QString finalName = namesIt->Lookup(name);
  const QString winTarget = win::JoinPath(winFolder, finalName);
  const QByteArray hostTarget = QFile::encodeName(hostFolder + "/" + finalName);

  // The file it replaces: a folder or a read-only file cannot be, as on the platform.
  struct stat old;
  if (::lstat(hostTarget.constData(), &old) == 0) {
    if (S_ISDIR(old.st_mode))
      Fail(archive_, h.FileName, "cannot replace the folder " + winTarget,
           win::ERROR_ACCESS_DENIED);
    if (S_ISREG(old.st_mode) && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
      throw win::EInOutError(win::ERROR_ACCESS_DENIED, winTarget);
  }

  // Written under a temporary name in the same folder, renamed when complete.
  static std::atomic<unsigned> serial{0};
  TempFile temp;
  QString tempName;
  const mode_t mode = WantsExecutable(h, name) ? 0777 : 0666;
  for (int attempt = 0; temp.fd < 0; ++attempt) {
    tempName = QString(".zarederad-%1-%2.tmp").arg(::getpid()).arg(serial++);
    QByteArray p = QFile::encodeName(hostFolder + "/" + tempName);
    temp.fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (temp.fd >= 0) {
      temp.path = p;
    } else if (errno != EEXIST || attempt > 100) {
      throw win::EInOutError(win::ErrorFromErrno(errno), winTarget);
    }
  }

  zip_file_t* in = zip_fopen_index(d.zip, zip_uint64_t(index), 0);
  if (!in) Fail(archive_, h.FileName, "cannot be read (" + ZipErrorText(zip_get_error(d.zip)) + ")");
  struct Closer {
    zip_file_t* f;
    ~Closer() { zip_fclose(f); }
  } closer{in};
  if (d.buffer.empty()) d.buffer.resize(kReadBuffer);
  quint64 total = 0;
  for (;;) {
    zip_int64_t n = zip_fread(in, d.buffer.data(), zip_uint64_t(d.buffer.size()));
    if (n < 0) {
      zip_error_t* e = zip_file_get_error(in);
      if (zip_error_code_zip(e) == ZIP_ER_CRC)
        Fail(archive_, h.FileName, "is damaged: its data do not match their CRC");
      Fail(archive_, h.FileName, "is damaged (" + ZipErrorText(e) + ")");
    }
    if (n == 0) break;
    // A stream longer than its declared size is cut there and refused.
    if (quint64(n) > h.UncompressedSize - total)
      Fail(archive_, h.FileName, "holds more data than its declared size");
    const char* p = d.buffer.data();
    zip_int64_t left = n;
    while (left > 0) {
      ssize_t w = ::write(temp.fd, p, size_t(left));
      if (w < 0) {
        if (errno == EINTR) continue;
        throw win::EInOutError(win::ErrorFromErrno(errno), winTarget);
      }
      p += w;
      left -= w;
    }
    total += quint64(n);
  }
  if (total != h.UncompressedSize)
    Fail(archive_, h.FileName, "is truncated: it holds less data than its declared size");

  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = d.mtimes[size_t(index)];
  times[1].tv_nsec = 0;
  ::futimens(temp.fd, times);
  int fd = temp.fd;
  temp.fd = -1;
  if (::close(fd) != 0) throw win::EInOutError(win::ErrorFromErrno(errno), winTarget);

  if (h.MadeByDos()) {
    // Best effort, as the platform's own copy does; an archive bit alone is the default.
    int attr = int(h.ExternalAttributes) & (win::faReadOnly | win::faHidden | win::faSysFile |
                                            win::faArchive);
    if (attr != win::faArchive) win::FileSetAttr(win::JoinPath(winFolder, tempName), attr);
  }
  if (::rename(temp.path.constData(), hostTarget.constData()) != 0)
    throw win::EInOutError(win::ErrorFromErrno(errno), winTarget);
  temp.path.clear();
  namesIt->Add(finalName);
  if (OnProgress) OnProgress(total, h);
}

void UnzipAll(const QString& archive, const QString& destination) {
  TZipReader reader(archive);
  reader.UnpackAll(destination);
}
