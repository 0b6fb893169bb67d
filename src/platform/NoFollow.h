#pragma once
// File operations that never follow a symbolic link, for everything the installer deletes,
// changes or writes below a folder the user chose. That folder may itself be a link (a drive root,
// the user's own arrangement); below it a link is handled as itself: removed as a link, copied as
// a link, replaced by a file, never used to reach its target. Folders are held by descriptor, so
// a link planted after a check cannot redirect what follows.
#include <QString>
#include <functional>

namespace win {

// A folder opened by descriptor; closed with the handle.
class TDirHandle {
 public:
  TDirHandle() = default;
  explicit TDirHandle(int fd) : fd_(fd) {}
  ~TDirHandle();
  TDirHandle(TDirHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TDirHandle& operator=(TDirHandle&& other) noexcept;
  TDirHandle(const TDirHandle&) = delete;
  TDirHandle& operator=(const TDirHandle&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// What a name of a folder is, as the entry itself says (a link is never looked through).
enum class TEntryKind { Missing, File, Folder, Link, Other };

// Opens a folder the user chose (Windows terms; a link there is followed). An invalid handle when
// it does not exist; throws EInOutError when it cannot be opened.
TDirHandle OpenUserFolder(const QString& path);
// The kind of a name in a folder.
TEntryKind EntryKind(const TDirHandle& dir, const QString& name);
// The spelling the folder has for a name (an exact match wins, else the first case-insensitive
// match in name order); the name itself when the folder has none.
QString RealName(const TDirHandle& dir, const QString& name);
// Opens a subfolder without following a link. An invalid handle when it is missing; throws
// win::Error naming shownPath when it is a link or not a folder (nothing is done through it).
TDirHandle OpenSubfolder(const TDirHandle& dir, const QString& name, const QString& shownPath);
// The message of that refusal: "... este o legatura simbolica ...".
QString LinkRefusedText(const QString& shownPath);
// Creates a subfolder (mode of the platform's default) and opens it; throws on failure, also when
// the name exists.
TDirHandle MakeSubfolder(const TDirHandle& dir, const QString& name, const QString& shownPath);

// Removes a name of a folder: a file, a link (the link, not its target) or a folder with all it
// holds, descending only into real folders. True when nothing of it stays.
bool RemoveTree(const TDirHandle& dir, const QString& name);

// What CopyTree does with one entry.
enum class TCopyRule {
  Skip,          // left out of the copy
  Keep,          // a file hard-linked (copied where it cannot be), a link re-made as the same
                 // link, a folder made and its entries copied by the rule
  Copy,          // a file copied with its mode, times and extended attributes
  CopyWritable,  // a file copied writable and without its DOS attributes
};
// rule(path relative to the top with "\" separators, kind, read-only) for every entry.
using TCopyTreeRule =
    std::function<TCopyRule(const QString& relativePath, TEntryKind kind, bool readOnly)>;
// Copies the entries of folder `from` into the (empty) folder `to` by the rule. Throws
// win::Error naming shownTo and the entry when one cannot be copied.
void CopyTree(const TDirHandle& from, const TDirHandle& to, const QString& shownTo,
              const TCopyTreeRule& rule);

// Puts entry `from` of a folder in the place of entry `to` of another on the same file system:
// when `to` exists the two are exchanged in one step (the old one is then named `from`), else
// `from` is renamed to `to`. 0, or the host's errno.
int ExchangeEntries(const TDirHandle& fromDir, const QString& from, const TDirHandle& toDir,
                    const QString& to);
// Renames an entry within a folder; fails when the new name exists. 0, or the host's errno.
int RenameEntry(const TDirHandle& dir, const QString& from, const QString& to);

// Opens a host file for writing: created or truncated (a link in its place is removed first and
// the file made anew), or appended to (a link in its place is refused). The descriptor, or -1
// with errno set (ELOOP for a link that would have been written through).
int OpenForWritingNoFollow(const QString& hostPath, bool append);

// Where a Windows path lies below another: "" for the same folder, "SUB\DIR\" below it, a null
// string when it is not below (both resolved through links, so two names of one folder agree).
QString PathBelow(const QString& base, const QString& path);

}  // namespace win
