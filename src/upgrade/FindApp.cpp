#include "upgrade/FindApp.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace {

// Room for 32 characters and the terminating zero.
constexpr int kProfileBuffer = 33;

// Everything before the last "\"; the "\" right after a drive's colon stays.
QString FolderOf(const QString& path) {
  const int slash = path.lastIndexOf('\\');
  if (slash < 0) return {};
  if (slash == 2 && path[1] == ':') return path.left(3);
  return path.left(slash);
}

}  // namespace

bool IsProgramFolder(const QString& folder) {
  // The size comes from the directory entry: no open, so no write access is asked for.
  return win::FileSize(win::IncludeTrailingBackslash(folder) + ProgramFileName) >
         ProgramFileMinSize;
}

QString ProfileProgramFolder() {
  QString app = win::GetProfileString("Zorvan", "AppPath", "", kProfileBuffer);
  if (!app.isEmpty() && win::FileExists(app + "Zorvan.exe")) return app;
  const QString data = win::GetProfileString("Zorvan", "DatabasePath", "", kProfileBuffer);
  if (!data.isEmpty()) {
    QString folder = win::IncludeTrailingBackslash(FolderOf(data));
    if (win::FileExists(folder + "Zorvan.exe")) return folder;
  }
  return {};
}

// --- the drive scan ---
//
// The scan resolves each drive root through the platform layer once and then walks the host
// folders by descriptor: resolving every path of a drive from its root again would cost a
// listing per component and make a whole-drive scan many times slower than the walk itself.
// Names are matched without regard to case, as the platform does.

namespace {

struct Entry {
  QByteArray name;
  QString text;  // the name in Windows terms
};

bool IsDots(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// A folder opened for listing; never through a symbolic link unless it is the starting point.
int OpenFolder(int parent, const char* name, bool followLink) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!followLink) flags |= O_NOFOLLOW;
  return ::openat(parent, name, flags);
}

}  // namespace

struct TDriveScan::Dir {
  DIR* handle = nullptr;
  explicit Dir(int fd) : handle(fd >= 0 ? ::fdopendir(fd) : nullptr) {
    if (fd >= 0 && !handle) ::close(fd);
  }
  ~Dir() {
    if (handle) ::closedir(handle);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  int fd() const { return ::dirfd(handle); }
};

TDriveScan::TDriveScan(TSearchHooks hooks) : hooks_(std::move(hooks)) {
  windowsDir_ = win::IncludeTrailingBackslash(win::GetWindowsDirectory());
}

TDriveScan::~TDriveScan() = default;

QString TDriveScan::Run() {
  stopped_ = false;
  result_.clear();
  try {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
      const QString root = QString(QChar(letter)) + ":\\";
      if (win::GetDriveType(root) != win::DRIVE_FIXED) continue;
      const QString usual = root + "WinZorv\\";
      if (IsProgramFolder(usual)) {
        result_ = usual;
        break;
      }
      if (SearchFolder(root) && !result_.isEmpty()) break;
    }
  } catch (...) {
    if (stopped_) result_.clear();
    if (hooks_.ShowStatus) hooks_.ShowStatus(QString());
    throw;
  }
  if (stopped_) result_.clear();
  if (hooks_.ShowStatus) hooks_.ShowStatus(QString());
  return result_;
}

bool TDriveScan::SearchFolder(const QString& path) {
  if (path.size() > SearchPathLimit) return false;
  if (path.compare(windowsDir_, Qt::CaseInsensitive) == 0) return false;
  const QString host = win::TryToHostPath(path);
  if (host.isEmpty()) return false;
  // The starting folder may be a link (drive roots often are); nothing below it is followed.
  return Search(path, OpenFolder(AT_FDCWD, QFile::encodeName(host).constData(), true));
}

// `fd` is the opened folder of `path` (or -1); it is closed here.
bool TDriveScan::Search(const QString& path, int fd) {
  Dir dir(fd);
  if (!dir.handle) return false;  // a folder that cannot be read is skipped
  ++visited_;

  std::vector<Entry> folders;
  QByteArray program;  // the entry that names the program file, exact case first
  bool programExact = false;
  while (dirent* e = ::readdir(dir.handle)) {
    const char* n = e->d_name;
    if (IsDots(n)) continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (::fstatat(dir.fd(), n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      folders.push_back({QByteArray(n), QString()});
    } else if (!programExact && ::strcasecmp(n, ProgramFileName) == 0) {
      // An exact match wins; else the first in name order, as the platform resolves names.
      programExact = ::strcmp(n, ProgramFileName) == 0;
      if (programExact || program.isEmpty() || ::strcmp(n, program.constData()) < 0)
        program = QByteArray(n);
    }
  }

  if (!program.isEmpty()) {
    struct stat st;  // follows a link to the program file, as a file's size does
    if (::fstatat(dir.fd(), program.constData(), &st, 0) == 0 && S_ISREG(st.st_mode) &&
        st.st_size > ProgramFileMinSize) {
      result_ = path;
      return true;
    }
  }

  if (hooks_.ShowStatus) hooks_.ShowStatus("Caut in .." + path.right(StatusPathTail));
  if (hooks_.StopRequested && hooks_.StopRequested()) {
    stopped_ = true;
    result_.clear();
    return true;
  }

  for (Entry& f : folders) f.text = QFile::decodeName(f.name);
  std::sort(folders.begin(), folders.end(), [](const Entry& a, const Entry& b) {
    const int c = QString::compare(a.text, b.text, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.text < b.text;
  });
  for (const Entry& f : folders) {
    const QString child = path + f.text + '\\';
    if (child.size() > SearchPathLimit) continue;
    if (child.compare(windowsDir_, Qt::CaseInsensitive) == 0) continue;
    if (Search(child, OpenFolder(dir.fd(), f.name.constData(), false))) return true;
  }
  return false;
}

QString FindProgramFolder(const TSearchHooks& hooks) {
  QString folder = ProfileProgramFolder();
  if (!folder.isEmpty()) return folder;
  TDriveScan scan(hooks);
  return scan.Run();
}

// --- where the data live ---

QString RootOf(const QString& folder) {
  if (!folder.startsWith("\\\\")) return folder.left(3);
  int seen = 0;
  for (int i = 0; i < folder.size(); ++i)
    if (folder[i] == '\\' && ++seen == 4) return folder.left(i + 1);
  return folder;
}

TDataPlace DataPlaceOf(const QString& aliasFolder) {
  TDataPlace place;
  place.DataDir = aliasFolder;
  if (place.DataDir.endsWith('\\')) place.DataDir.chop(1);
  if (place.DataDir.right(5).toUpper() == "\\DATA") place.DataDir.chop(5);
  place.Root = RootOf(place.DataDir);
  place.OnNetwork = win::GetDriveType(place.Root) == win::DRIVE_REMOTE;
  return place;
}
