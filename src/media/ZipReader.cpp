#include "media/ZipReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

// The destination is resolved through the platform layer once; below it the unpacker works on
// descriptors: every folder component is opened without following links (a link planted in the
// destination by someone else must not redirect the installation), and names inside a folder are
// looked up with the platform's rules (an exact match wins, else the first case-insensitive one)
// from one listing per folder, since resolving every new name through the layer would list its
// folder again for each file.

std::function<quint64(const QString&)> TZipReader::FreeSpaceQuery;

namespace {

// --- messages ---

// Set while a file's data are written: the error is logged where it is reported, in the order
// of the entries, and not at all when an earlier entry's error stops the unpacking first.
thread_local bool tWritingData = false;

[[noreturn]] void Throw(const QString& message, int code) {
  if (!tWritingData) win::LogLine("media: " + message);
  throw win::Error(message, code);
}

// An entry that cannot be unpacked.
[[noreturn]] void Fail(const QString& archive, const QString& entry, const QString& why,
                       int code = win::ERROR_INVALID_PARAMETER) {
  Throw(QString("Arhiva %1 nu poate fi dezarhivata: intrarea \"%2\" %3.").arg(archive, entry, why),
        code);
}

// A damaged archive; the detail of libzip (English) goes to the log only.
[[noreturn]] void Damaged(const QString& archive, const QString& detail) {
  win::LogLine(QString("media: %1: %2").arg(archive, detail));
  Throw(QString("Arhiva %1 este deteriorata si nu poate fi citita.").arg(archive),
        win::ERROR_INVALID_PARAMETER);
}

QString ReasonOf(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
      return "discul este plin";
    case EFBIG:
      return "fisierul este prea mare pentru disc";
    case EACCES:
    case EPERM:
      return "accesul este interzis";
    case EROFS:
      return "discul este protejat la scriere";
    case ENAMETOOLONG:
      return "numele este prea lung";
    case EIO:
      return "eroare de citire sau scriere pe disc";
    default:
      return QString("eroarea de sistem %1").arg(err);
  }
}

// A file that cannot be written.
[[noreturn]] void WriteFailed(const QString& archive, const QString& file, int err) {
  Throw(QString("Arhiva %1 nu poate fi dezarhivata: fisierul %2 nu poate fi scris (%3).")
            .arg(archive, file, ReasonOf(err)),
        win::ErrorFromErrno(err));
}

QString ZipErrorText(zip_error_t* error) {
  return QString::fromUtf8(zip_error_strerror(error));
}

QString ZipErrorText(int code) {
  zip_error_t ze;
  zip_error_init_with_code(&ze, code);
  QString text = ZipErrorText(&ze);
  zip_error_fini(&ze);
  return text;
}

QString Megabytes(quint64 bytes) {
  return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + " MB";
}

// --- names ---

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

// Temporary names of the rename fallback: ".zarederad-PID-N.tmp".
QString TempName(unsigned serial) {
  return QString(".zarederad-%1-%2.tmp").arg(::getpid()).arg(serial);
}

// The process that wrote a temporary file of ours, or 0 for any other name.
pid_t TempOwner(const QString& name) {
  static const QRegularExpression re("^\\.zarederad-(\\d+)-\\d+\\.tmp$");
  auto m = re.match(name);
  return m.hasMatch() ? pid_t(m.captured(1).toLongLong()) : 0;
}

// Lists a folder by its descriptor. Temporary files that a dead run of ours left there (killed
// while it wrote under a temporary name) are removed on the way.
win::FolderNames ListFolder(int dirFd) {
  win::FolderNames list;
  int fd = ::dup(dirFd);
  if (fd < 0) return list;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return list;
  }
  ::rewinddir(dir);
  while (struct dirent* e = ::readdir(dir)) {
    QString n = QFile::decodeName(e->d_name);
    if (n == "." || n == "..") continue;
    if (pid_t owner = TempOwner(n);
        owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) {
      if (::unlinkat(dirFd, e->d_name, 0) == 0) {
        win::LogLine("media: removed the leftover " + n);
        continue;
      }
    }
    list.Add(n);
  }
  ::closedir(dir);
  return list;
}

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      reset();
      fd = o.fd;
      o.fd = -1;
    }
    return *this;
  }
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Where an entry's data lie in the archive file: its local header and data.
struct Span {
  quint64 begin = 0, end = 0;
  quint64 data = 0;  // where the data begin
  int index = 0;
};

quint16 U16(const unsigned char* p) {
  return quint16(p[0] | (p[1] << 8));
}
quint32 U32(const unsigned char* p) {
  return quint32(U16(p)) | (quint32(U16(p + 2)) << 16);
}
quint64 U64(const unsigned char* p) {
  return quint64(U32(p)) | (quint64(U32(p + 4)) << 32);
}

bool ReadAt(int fd, quint64 offset, void* buffer, size_t size) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= size_t(n);
    offset += quint64(n);
  }
  return true;
}

constexpr size_t kWindow = size_t{256} * 1024;

// The data of entries, read straight from the archive. The entries of an archive of small files
// lie one after the other, so one read of a window of it serves many of them.
class TDataReader {
 public:
  explicit TDataReader(int fd) : fd_(fd) {}
  void Begin(quint64 at, quint64 size) {
    at_ = at;
    left_ = size;
  }
  // Up to size of the entry's next bytes: 0 at its end, -1 when the archive cannot be read (or
  // ends before the entry does).
  long long Read(char* buffer, size_t size) {
    if (left_ == 0) return 0;
    size = size_t(std::min<quint64>(size, left_));
    if (!(at_ >= windowAt_ && at_ < windowAt_ + windowSize_) && left_ < kWindow) {
      if (window_.empty()) window_.resize(kWindow);
      // Usually the next entries follow; a directory that lists them backwards gets a window
      // that ends with this entry.
      quint64 from = at_;
      if (windowSize_ > 0 && at_ < windowAt_)
        from = at_ + left_ > kWindow ? at_ + left_ - kWindow : 0;
      ssize_t n = Pread(window_.data(), kWindow, from);
      if (n <= 0 || at_ >= from + quint64(n)) return -1;
      windowAt_ = from;
      windowSize_ = size_t(n);
    }
    if (at_ >= windowAt_ && at_ < windowAt_ + windowSize_) {
      size = std::min<size_t>(size, size_t(windowAt_ + windowSize_ - at_));
      memcpy(buffer, window_.data() + (at_ - windowAt_), size);
    } else {  // a large entry: no copy through the window
      ssize_t n = Pread(buffer, size, at_);
      if (n <= 0) return -1;
      size = size_t(n);
    }
    at_ += size;
    left_ -= size;
    return (long long)size;
  }
  // All of size bytes at offset, or false.
  bool ReadAll(quint64 offset, char* buffer, size_t size) {
    Begin(offset, size);
    for (size_t got = 0; got < size;) {
      long long n = Read(buffer + got, size - got);
      if (n <= 0) return false;
      got += size_t(n);
    }
    return true;
  }

 private:
  ssize_t Pread(char* buffer, size_t size, quint64 offset) const {
    for (;;) {
      ssize_t n = ::pread(fd_, buffer, size, off_t(offset));
      if (n >= 0 || errno != EINTR) return n;
    }
  }
  int fd_;
  quint64 at_ = 0, left_ = 0;
  std::vector<char> window_;
  quint64 windowAt_ = 0;
  size_t windowSize_ = 0;
};

// The spans of the entries, read from the central directory and the local headers (libzip keeps
// the offsets to itself). Empty with a reason when the directory cannot be followed.
std::vector<Span> EntrySpans(const Fd& f, QString* why) {
  std::vector<Span> spans;
  struct stat st;
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
    *why = "cannot be opened again";
    return {};
  }
  const quint64 size = quint64(st.st_size);
  // The end record: the last signature within the comment's reach.
  const quint64 tail = std::min<quint64>(size, 22 + 65535);
  std::vector<unsigned char> t(tail);
  if (!ReadAt(f.fd, size - tail, t.data(), tail)) {
    *why = "end record unreadable";
    return {};
  }
  qint64 eocd = -1;
  for (qint64 i = qint64(tail) - 22; i >= 0; --i)
    if (U32(&t[size_t(i)]) == 0x06054b50) {
      eocd = i;
      break;
    }
  if (eocd < 0) {
    *why = "no end record";
    return {};
  }
  const unsigned char* e = &t[size_t(eocd)];
  quint64 count = U16(e + 10), cdSize = U32(e + 12), cdOffset = U32(e + 16);
  const quint64 eocdAt = size - tail + quint64(eocd);
  if ((count == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) && eocdAt >= 20) {
    unsigned char loc[20], rec[56];
    if (ReadAt(f.fd, eocdAt - 20, loc, 20) && U32(loc) == 0x07064b50 &&
        ReadAt(f.fd, U64(loc + 8), rec, 56) && U32(rec) == 0x06064b50) {
      count = U64(rec + 32);
      cdSize = U64(rec + 40);
      cdOffset = U64(rec + 48);
    }
  }
  if (cdOffset > size || cdSize > size - cdOffset || count > cdSize / 46 + 1) {
    *why = "directory out of the file";
    return {};
  }
  std::vector<unsigned char> cd(cdSize);
  if (cdSize && !ReadAt(f.fd, cdOffset, cd.data(), cdSize)) {
    *why = "directory unreadable";
    return {};
  }
  spans.reserve(count);
  // The local headers of small entries lie close together: they are read through a window.
  TDataReader headers(f.fd);
  size_t at = 0;
  for (quint64 i = 0; i < count; ++i) {
    if (at + 46 > cd.size() || U32(&cd[at]) != 0x02014b50) {
      *why = QString("directory entry %1 damaged").arg(i + 1);
      return {};
    }
    const unsigned char* c = &cd[at];
    quint64 comp = U32(c + 20), uncomp = U32(c + 24), offset = U32(c + 42);
    size_t nameLen = U16(c + 28), extraLen = U16(c + 30), commentLen = U16(c + 32);
    if (at + 46 + nameLen + extraLen + commentLen > cd.size()) {
      *why = QString("directory entry %1 cut").arg(i + 1);
      return {};
    }
    // The 64-bit fields, in their fixed order, for those that overflowed.
    for (size_t x = at + 46 + nameLen; x + 4 <= at + 46 + nameLen + extraLen;) {
      quint16 id = U16(&cd[x]), len = U16(&cd[x + 2]);
      size_t p = x + 4, stop = std::min(x + 4 + len, at + 46 + nameLen + extraLen);
      if (id == 0x0001) {
        if (uncomp == 0xFFFFFFFF && p + 8 <= stop) uncomp = U64(&cd[p]), p += 8;
        if (comp == 0xFFFFFFFF && p + 8 <= stop) comp = U64(&cd[p]), p += 8;
        if (offset == 0xFFFFFFFF && p + 8 <= stop) offset = U64(&cd[p]), p += 8;
      }
      x += 4 + len;
    }
    unsigned char local[30];
    if (offset > size - 30 || !headers.ReadAll(offset, reinterpret_cast<char*>(local), 30) ||
        U32(local) != 0x04034b50) {
      *why = QString("local header of entry %1 missing").arg(i + 1);
      return {};
    }
    const quint64 data = offset + 30 + U16(local + 26) + U16(local + 28);
    if (comp > size || data > size - comp) {
      *why = QString("data of entry %1 out of the file").arg(i + 1);
      return {};
    }
    spans.push_back({offset, data + comp, data, int(i)});
    at += 46 + nameLen + extraLen + commentLen;
  }
  return spans;
}

}  // namespace

QDateTime DosDateTimeToLocal(quint16 dosDate, quint16 dosTime) {
  QDate d(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F);
  QTime t((dosTime >> 11) & 0x1F, (dosTime >> 5) & 0x3F, (dosTime & 0x1F) * 2);
  if (!d.isValid() || !t.isValid()) return {};
  return QDateTime(d, t);
}

namespace {

// How many files may be written and wait for their names.
constexpr size_t kAhead = 64;

// A file to write: its entry, its folder (open until the file is named) and its name there.
struct TJob {
  int index = 0;
  int dirFd = -1;
  QByteArray rawName;
  QString winTarget;
  mode_t mode = 0666;
};

// A written file waiting for its name, or why it could not be written.
struct TWritten {
  int index = 0;
  QString winTarget;
  std::unique_ptr<win::CompleteFile> file;
  quint64 total = 0;
  std::exception_ptr error;
};

// Files are written on a second thread, up to kAhead ahead, while the caller's thread names them
// in the order of the entries: on a file system each half costs about as much as the other.
// Files written ahead of an entry that fails are never named and vanish with their descriptors.
class TWriteAhead {
 public:
  // Writes a job's file; a long write asks the object whether the unpacking stops.
  using Work = std::function<TWritten(const TJob&, const TWriteAhead&)>;
  TWriteAhead(Work work, bool threaded) : work_(std::move(work)) {
    if (!threaded) return;
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {  // no thread to be had: the files are written in turn
    }
  }
  ~TWriteAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    ready_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  TWriteAhead(const TWriteAhead&) = delete;
  TWriteAhead& operator=(const TWriteAhead&) = delete;

  // Set when the unpacking stops: a long write gives up.
  bool Stopping() const { return stop_.load(std::memory_order_relaxed); }
  size_t Pending() const { return pending_; }
  void Push(TJob job) {
    ++pending_;
    if (!thread_.joinable()) {
      done_.push_back(Do(job));
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    ready_.notify_all();
  }
  // The oldest job's outcome, once written.
  TWritten Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    written_.wait(lock, [this] { return !done_.empty(); });
    TWritten w = std::move(done_.front());
    done_.pop_front();
    --pending_;
    return w;
  }

 private:
  TWritten Do(const TJob& job) {
    tWritingData = true;
    TWritten w;
    try {
      w = work_(job, *this);
    } catch (...) {
      w.error = std::current_exception();
    }
    tWritingData = false;
    w.index = job.index;
    w.winTarget = job.winTarget;
    return w;
  }
  void Run() {
    for (;;) {
      TJob job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (stop_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      TWritten w = Do(job);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_.push_back(std::move(w));
      }
      written_.notify_all();
    }
  }

  Work work_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_, written_;
  std::deque<TJob> jobs_;
  std::deque<TWritten> done_;
  std::atomic<bool> stop_{false};
  size_t pending_ = 0;  // pushed and not popped; the caller's thread only
};

}  // namespace

struct TZipReader::Impl {
  zip_t* zip = nullptr;
  std::vector<time_t> mtimes;
  Fd archiveFd;                 // the data are read straight from it
  std::vector<quint64> dataAt;  // entry -> where its data begin in the archive

  // The destination open for unpacking.
  QString destination;
  Fd destinationFd;
  QHash<QString, win::FolderNames> names;  // folder below the destination ("" itself) -> its names
  // The folder of the last file, kept open: entries of one folder follow each other.
  QString currentRequest;  // the components as the entry spelled them
  bool currentRequestSet = false;
  QString currentKey;  // as found on disk
  QString currentWin;
  Fd currentFd;
  bool unnamedFiles = true;  // O_TMPFILE works here, until it is refused once
  std::atomic<unsigned> serial{0};

  TWritten WriteData(TZipReader& reader, const TJob& job, TDataReader& data,
                     const TWriteAhead& ahead);

  ~Impl() {
    if (zip) zip_discard(zip);
  }
};

TZipReader::TZipReader(const QString& archive) : archive_(archive), impl_(new Impl) {
  QString host = win::TryToHostPath(archive);
  if (host.isEmpty())
    Throw(QString("Arhiva %1 nu poate fi deschisa: nici o unitate a acestui calculator nu o "
                  "contine.")
              .arg(archive),
          win::ERROR_PATH_NOT_FOUND);
  int err = 0;
  impl_->zip = zip_open(QFile::encodeName(host).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!impl_->zip) {
    switch (err) {
      case ZIP_ER_NOENT:
        Throw(QString("Arhiva %1 nu exista.").arg(archive), win::ERROR_FILE_NOT_FOUND);
      case ZIP_ER_NOZIP:
        Throw(QString("Fisierul %1 nu este o arhiva ZIP.").arg(archive),
              win::ERROR_INVALID_PARAMETER);
      case ZIP_ER_OPEN:
      case ZIP_ER_READ:
        Throw(QString("Arhiva %1 nu poate fi citita.").arg(archive), win::ERROR_ACCESS_DENIED);
      default:
        Damaged(archive, ZipErrorText(err));
    }
  }
  zip_int64_t count = zip_get_num_entries(impl_->zip, 0);
  entries_.reserve(count);
  impl_->mtimes.reserve(size_t(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(impl_->zip, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0)
      Damaged(archive,
              QString("entry %1: %2").arg(i + 1).arg(ZipErrorText(zip_get_error(impl_->zip))));
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

  // Entries that share their bytes make a small archive unpack to any size: refused, as
  // Info-ZIP does. Each entry's local header and data must lie apart from every other's.
  QString why;
  impl_->archiveFd = Fd(::open(QFile::encodeName(host).constData(), O_RDONLY | O_CLOEXEC));
  std::vector<Span> spans = EntrySpans(impl_->archiveFd, &why);
  if (spans.size() != size_t(count))
    Damaged(archive, why.isEmpty() ? QString("directory count differs") : why);
  impl_->dataAt.resize(spans.size());
  for (const Span& s : spans) {
    if (s.end - s.data != entries_.at(s.index).CompressedSize)
      Damaged(archive, QString("entry %1: sizes differ").arg(s.index + 1));
    impl_->dataAt[size_t(s.index)] = s.data;
  }
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (size_t i = 1; i < spans.size(); ++i)
    if (spans[i].begin < spans[i - 1].end)
      Throw(QString("Arhiva %1 este deteriorata sau facuta cu rea intentie: intrarile \"%2\" si "
                    "\"%3\" folosesc aceleasi date.")
                .arg(archive, entries_[spans[i - 1].index].FileName,
                     entries_[spans[i].index].FileName),
            win::ERROR_INVALID_PARAMETER);
}

TZipReader::~TZipReader() = default;

namespace {

// The entry's path below the destination as components, or a refusal when it would leave it.
QStringList SafeComponents(const QString& archive, const TZipHeader& h) {
  QString p = h.FileName;
  p.replace('\\', '/');
  auto refuse = [&](const QString& why) {
    Fail(archive, h.FileName, why, win::ERROR_INVALID_NAME);
  };
  if (p.startsWith('/')) refuse("are o cale absoluta");
  QStringList parts;
  for (const QString& c : p.split('/', Qt::SkipEmptyParts)) {
    if (c == ".") continue;
    if (c.contains(':')) refuse("numeste o unitate de disc sau un flux de date");
    bool onlyDots = true;
    for (QChar ch : c) {
      if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) refuse("are caractere de control in nume");
      if (ch != '.' && ch != ' ') onlyDots = false;
    }
    if (onlyDots) refuse("ar ajunge in afara directorului destinatie");
    parts << c;
  }
  if (parts.isEmpty()) refuse("nu are nume");
  return parts;
}

void CheckEntry(const QString& archive, const TZipHeader& h) {
  SafeComponents(archive, h);
  if (IsLinkEntry(h)) Fail(archive, h.FileName, "este o legatura simbolica, care nu se instaleaza");
  if (h.IsFolder()) return;
  if (h.Encrypted) Fail(archive, h.FileName, "este criptata", win::ERROR_NOT_SUPPORTED);
  if (h.CompressionMethod != ZIP_CM_STORE && h.CompressionMethod != ZIP_CM_DEFLATE)
    Fail(archive, h.FileName,
         QString("este comprimata cu metoda %1, care nu poate fi dezarhivata")
             .arg(h.CompressionMethod),
         win::ERROR_NOT_SUPPORTED);
}

// Writes all of a block.
bool WriteAll(int fd, const char* p, size_t size) {
  while (size > 0) {
    ssize_t w = ::write(fd, p, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    size -= size_t(w);
  }
  return true;
}

}  // namespace

void TZipReader::UnpackAll(const QString& destination) {
  for (const TZipHeader& h : entries_) CheckEntry(archive_, h);
  Open(destination);
  // Declared sizes are enforced while writing, so their sum bounds what the archive writes.
  quint64 needed = 0;
  for (const TZipHeader& h : entries_)
    if (!h.IsFolder()) needed += h.UncompressedSize;
  quint64 free = 0;
  if (FreeSpaceQuery) {
    free = FreeSpaceQuery(destination);
  } else {
    struct statvfs vfs;
    free = ::fstatvfs(impl_->destinationFd.fd, &vfs) == 0
               ? quint64(vfs.f_bavail) * quint64(vfs.f_frsize)
               : ~quint64(0);
  }
  if (needed > free)
    Throw(QString("Arhiva %1 nu incape in directorul %2: are nevoie de %3, iar pe disc sunt "
                  "libere doar %4.")
              .arg(archive_, destination, Megabytes(needed), Megabytes(free)),
          win::ERROR_DISK_FULL);
  std::vector<int> all(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) all[size_t(i)] = i;
  Unpack(all, destination);
}

void TZipReader::Open(const QString& destination) {
  Impl& d = *impl_;
  if (d.destinationFd.fd >= 0 && d.destination == destination) return;
  d.destination = destination;
  d.names.clear();
  d.currentKey.clear();
  d.currentRequestSet = false;
  d.currentFd.reset();
  d.destinationFd.reset();
  auto cannot = [&](int err) {
    Throw(QString("Arhiva %1 nu poate fi dezarhivata: directorul %2 nu poate fi creat (%3).")
              .arg(archive_, destination, ReasonOf(err)),
          win::ERROR_PATH_NOT_FOUND);
  };
  if (!win::ForceDirectories(destination)) cannot(errno ? errno : ENOENT);
  QString host = win::TryToHostPath(destination);
  // The destination itself is the user's choice (drive roots may be links); below it, no link
  // is followed.
  d.destinationFd = Fd(host.isEmpty() ? -1
                                      : ::open(QFile::encodeName(host).constData(),
                                               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.destinationFd.fd < 0) cannot(errno);
}

void TZipReader::UnpackEntry(int index, const QString& destination) {
  UnpackEntries({index}, destination);
}

void TZipReader::UnpackEntries(const QList<int>& indices, const QString& destination) {
  for (int index : indices) {
    if (index < 0 || index >= Count())
      Throw(QString("Arhiva %1 nu are intrarea %2.").arg(archive_).arg(index),
            win::ERROR_INVALID_PARAMETER);
    CheckEntry(archive_, entries_.at(index));
  }
  if (indices.isEmpty()) return;  // nothing to write: the destination is not even made
  Unpack(std::vector<int>(indices.begin(), indices.end()), destination);
}

// Writes a file's data into an unnamed file (or one with a temporary name) and checks them; the
// writer's thread.
TWritten TZipReader::Impl::WriteData(TZipReader& reader, const TJob& job, TDataReader& data,
                                     const TWriteAhead& ahead) {
  Impl& d = *this;
  const QString& archive_ = reader.archive_;
  const TZipHeader& h = reader.entries_.at(job.index);
  TWritten w;
  w.file = std::make_unique<win::CompleteFile>();
  win::CompleteFile& out = *w.file;
  if (int err = out.Open(
          job.dirFd, job.rawName, job.mode,
          [&d] { return QFile::encodeName(TempName(d.serial++)); },
          d.unnamedFiles && reader.UnnamedFiles))
    WriteFailed(archive_, job.winTarget, err);
  if (!out.Unnamed()) d.unnamedFiles = false;

  data.Begin(d.dataAt[size_t(job.index)], h.CompressedSize);
  quint64& total = w.total;
  int writeError = 0;
  bool tooLong = false;
  bool stopped = false;
  // Declared size first: a stream longer than it is cut there and refused.
  auto sink = [&](const char* p, size_t n) {
    if (ahead.Stopping()) {
      stopped = true;
      return false;
    }
    if (quint64(n) > h.UncompressedSize - total) {
      tooLong = true;
      return false;
    }
    if (!WriteAll(out.fd(), p, n)) {
      writeError = errno;
      return false;
    }
    total += n;
    return true;
  };
  bool sourceFailed = false;
  auto source = [&](char* buffer, size_t size) -> long long {
    long long n = data.Read(buffer, size);
    if (n < 0) sourceFailed = true;
    return n;
  };
  unsigned crc = 0;
  if (h.CompressionMethod == ZIP_CM_DEFLATE) {
    TInflateOutcome r = InflateStream(reader.Inflater, source, sink);
    if (stopped) return {};
    if (writeError) WriteFailed(archive_, job.winTarget, writeError);
    if (tooLong) Fail(archive_, h.FileName, "contine mai multe date decat marimea declarata");
    if (sourceFailed) Fail(archive_, h.FileName, "este deteriorata (datele ei nu pot fi citite)");
    if (r.result == TInflateResult::Truncated)
      Fail(archive_, h.FileName, "este trunchiata: datele ei se opresc inainte de sfarsit");
    if (r.result != TInflateResult::Done)
      Fail(archive_, h.FileName, "este deteriorata: datele ei nu pot fi decomprimate");
    crc = r.crc;
  } else {
    char buffer[64 * 1024];
    for (;;) {
      long long n = source(buffer, sizeof buffer);
      if (n < 0) Fail(archive_, h.FileName, "este deteriorata (datele ei nu pot fi citite)");
      if (n == 0) break;
      if (!sink(buffer, size_t(n))) {
        if (stopped) return {};
        if (writeError) WriteFailed(archive_, job.winTarget, writeError);
        Fail(archive_, h.FileName, "contine mai multe date decat marimea declarata");
      }
      crc = StreamCrc32(crc, buffer, size_t(n));
    }
  }
  if (total != h.UncompressedSize)
    Fail(archive_, h.FileName, "este trunchiata: contine mai putine date decat marimea declarata");
  if (crc != h.Crc32)
    Fail(archive_, h.FileName, "este deteriorata: datele nu se potrivesc cu CRC-ul lor");

  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = d.mtimes[size_t(job.index)];
  times[1].tv_nsec = 0;
  ::futimens(out.fd(), times);
  if (h.MadeByDos()) {
    // Best effort, as the platform's own copy does; an archive bit alone is the default.
    int attr = int(h.ExternalAttributes) &
               (win::faReadOnly | win::faHidden | win::faSysFile | win::faArchive);
    if (attr != win::faArchive) win::FileSetAttrOfHandle(out.fd(), attr);
  }
  return w;
}

void TZipReader::Unpack(const std::vector<int>& indices, const QString& destination) {
  Open(destination);
  Impl& d = *impl_;
  // Names are noted when their files are queued: after a failure some were never given, so the
  // next unpacking lists the folders again.
  struct Forget {
    QHash<QString, win::FolderNames>& names;
    bool done = false;
    ~Forget() {
      if (!done) names.clear();
    }
  } forget{d.names};

  auto namesOf = [&](const QString& key, int fd) -> win::FolderNames& {
    auto it = d.names.find(key);
    if (it == d.names.end()) it = d.names.insert(key, ListFolder(fd));
    return *it;
  };

  TDataReader data(d.archiveFd.fd);
  TWriteAhead ahead(
      [&](const TJob& job, const TWriteAhead& self) { return d.WriteData(*this, job, data, self); },
      indices.size() > 1);
  // Names given to files that wait for them: an entry of the same name waits until they have it.
  QSet<QString> waiting;

  // Names the oldest written file, or reports why it could not be written.
  auto nameOldest = [&] {
    TWritten w = ahead.Pop();
    const TZipHeader& h = entries_.at(w.index);
    if (w.error) {
      try {
        std::rethrow_exception(w.error);
      } catch (const win::Error& e) {
        win::LogLine("media: " + e.message());
        throw;
      }
    }
    if (!w.file) return;  // a stopped write, never popped: the unpacking is over
    // Named only now, complete and checked.
    if (int err = w.file->Commit(false)) WriteFailed(archive_, w.winTarget, err);
    if (OnProgress) OnProgress(w.total, h);
  };
  // Names every written file: the folder may change, or the next entry's error be reported.
  auto nameAll = [&] {
    while (ahead.Pending()) nameOldest();
    waiting.clear();
  };

  // Opens (creating them) the folders of components, each without following a link.
  auto openFolders = [&](const TZipHeader& h, const QStringList& folders) {
    QString key, win = destination;
    Fd fd(::dup(d.destinationFd.fd));
    for (const QString& c : folders) {
      win::FolderNames& names = namesOf(key, fd.fd);
      const QString real = names.Lookup(c);
      const QByteArray raw = QFile::encodeName(real);
      win = win::JoinPath(win, real);
      int sub = ::openat(fd.fd, raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0 && errno == ENOENT) {
        if (::mkdirat(fd.fd, raw.constData(), 0777) != 0 && errno != EEXIST)
          Throw(QString("Arhiva %1 nu poate fi dezarhivata: directorul %2 nu poate fi creat (%3).")
                    .arg(archive_, win, ReasonOf(errno)),
                win::ErrorFromErrno(errno, true));
        names.Add(real);
        sub = ::openat(fd.fd, raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      }
      if (sub < 0) {
        struct stat st;
        if (::fstatat(fd.fd, raw.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
          Fail(archive_, h.FileName,
               "ar fi scrisa printr-o legatura simbolica aflata in destinatie (" + win + ")",
               win::ERROR_ACCESS_DENIED);
        if (errno == ENOTDIR || ::fstatat(fd.fd, raw.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
          Fail(archive_, h.FileName, "cere directorul " + win + ", dar acolo este un fisier",
               win::ERROR_ACCESS_DENIED);
        Throw(QString("Arhiva %1 nu poate fi dezarhivata: directorul %2 nu poate fi deschis (%3).")
                  .arg(archive_, win, ReasonOf(errno)),
              win::ErrorFromErrno(errno, true));
      }
      fd = Fd(sub);
      key += "/" + real;
    }
    d.currentKey = key;
    d.currentWin = win;
    d.currentFd = std::move(fd);
  };

  for (int index : indices) {
    const TZipHeader& h = entries_.at(index);
    QStringList parts = SafeComponents(archive_, h);
    if (h.IsFolder()) {
      nameAll();
      openFolders(h, parts);
      d.currentRequestSet = false;
      continue;
    }
    const QString name = parts.takeLast();
    // Entries of one folder usually follow each other: its descriptor is kept for the next.
    const QString request = parts.join('/');
    if (d.currentFd.fd < 0 || d.currentRequest != request || d.currentRequestSet == false) {
      nameAll();
      openFolders(h, parts);
      d.currentRequest = request;
      d.currentRequestSet = true;
    }
    const int dirFd = d.currentFd.fd;
    win::FolderNames& names = namesOf(d.currentKey, dirFd);
    const QString finalName = names.Lookup(name);
    if (waiting.contains(finalName)) nameAll();
    const QByteArray rawName = QFile::encodeName(finalName);
    const QString winTarget = win::JoinPath(d.currentWin, finalName);

    // The file it replaces: a folder or a read-only file cannot be, as on the platform; a link is
    // replaced itself, never written through.
    struct stat old;
    if (::fstatat(dirFd, rawName.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISDIR(old.st_mode)) {
        nameAll();
        Fail(archive_, h.FileName, "nu poate inlocui directorul " + winTarget,
             win::ERROR_ACCESS_DENIED);
      }
      if (S_ISREG(old.st_mode) && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        nameAll();
        Throw(QString("Arhiva %1 nu poate fi dezarhivata: fisierul %2 exista si este protejat la "
                      "scriere.")
                  .arg(archive_, winTarget),
              win::ERROR_ACCESS_DENIED);
      }
    }
    names.Add(finalName);
    waiting.insert(finalName);
    // The file is made without a name (it vanishes with the process if the run dies) and linked
    // in only when complete; where the file system cannot, a temporary name stands in for it.
    ahead.Push({index, dirFd, rawName, winTarget, WantsExecutable(h, name) ? 0777u : 0666u});
    while (ahead.Pending() >= kAhead) nameOldest();
  }
  nameAll();
  forget.done = true;
}

void UnzipAll(const QString& archive, const QString& destination) {
  TZipReader reader(archive);
  reader.UnpackAll(destination);
}
