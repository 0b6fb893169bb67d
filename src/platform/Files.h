#pragma once
// File operations in Windows terms. Paths are resolved through the machine's drive map without
// regard to case; nothing above this layer touches a host path.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace win {

// DOS attributes.
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

bool FileExists(const QString& path);       // an existing file (not a folder)
bool DirectoryExists(const QString& path);  // an existing folder (drive roots included)
// Copies a file with its attributes and modification time. With failIfExists false an existing
// target is overwritten (a read-only target is refused, as the platform does).
bool CopyFile(const QString& source, const QString& target, bool failIfExists = false);
bool CreateDir(const QString& path);         // one level: the parent must exist
bool ForceDirectories(const QString& path);  // with every missing parent; true if it exists
bool DeleteFile(const QString& path);        // files only; a read-only file is refused
bool RemoveDir(const QString& path);         // an empty folder
bool RenameFile(const QString& oldName, const QString& newName);  // fails when the target exists

// The DOS attributes of a file or folder, or -1 when it does not exist.
int FileGetAttr(const QString& path);
// Sets the DOS attributes (faDirectory is ignored); 0 on success, else the platform's error code.
// Hidden and system need an extended attribute of the host file system; where there is none the
// call fails with ERROR_NOT_SUPPORTED. The archive bit is dropped there, since nothing reads it.
int FileSetAttr(const QString& path, int attr);
// The same for a file open for writing, named or not yet named (its host descriptor).
int FileSetAttrOfHandle(int fd, int attr);

QDateTime FileModified(const QString& path);  // local time; invalid when missing
bool SetFileModified(const QString& path, const QDateTime& localTime);
qint64 FileSize(const QString& path);  // -1 when missing

// One entry of a folder listing.
struct TSearchRec {
  QString Name;
  int Attr = 0;
  qint64 Size = 0;
  QDateTime Time;
};
// Lists the entries of a folder that match a mask, as the platform does: pathMask is a folder
// followed by a mask ("C:\WinZorv\*.*"); attr is the usual filter (hidden, system and directory
// entries are listed only when asked for). "." and ".." are listed for folders other than roots.
// Order: names without regard to case. A symbolic link is never reported as a folder.
QList<TSearchRec> FindFiles(const QString& pathMask, int attr);
// The platform's wildcard rules, without regard to case: "*", "?", "*.*" matches every name,
// a trailing "." matches names without an extension, ".*" also matches no extension.
bool MatchesMask(const QString& name, const QString& mask);

// Text files in the ANSI code page. Reading and writing failures throw EInOutError.
QString ReadTextFile(const QString& path);
QStringList ReadTextLines(const QString& path);  // lines ended by CR LF, LF or CR
QString ReadFirstLine(const QString& path);
void WriteTextFile(const QString& path, const QString& text);  // created or truncated

// A file opened for reading, writing (created or truncated) or appending. The NoFollow modes
// never write through a link in the file's place: creating replaces the link by the file,
// appending refuses it (ERROR_ACCESS_DENIED).
class WinFile {
 public:
  enum Mode { Read, Create, Append, CreateNoFollow, AppendNoFollow };
  WinFile(const QString& path, Mode mode);  // throws EInOutError
  ~WinFile();
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  qint64 read(char* buffer, qint64 size);  // bytes read; 0 at the end
  void write(const char* data, qint64 size);
  qint64 size() const;
  void close();  // throws EInOutError when the data could not be written
  const QString& path() const { return path_; }
  int handle() const { return fd_; }  // the host descriptor, for copies inside the kernel

 private:
  QString path_;
  int fd_ = -1;
};

}  // namespace win
