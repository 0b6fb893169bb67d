#pragma once
// Reading the installation's ZIP archives (stored or deflated entries), on libzip.
//
// Archives come from removable media and may be damaged or hostile, so unpacking is strict:
// an entry whose name would leave the destination (".." components, a root, a drive letter),
// a symbolic link, an encrypted entry or an unknown method is refused before anything is
// written; a CRC or size mismatch or a truncated stream is an error, and a file is written under
// a temporary name and renamed only when its data are complete, so no partial file is ever left
// under an entry's name. Every failure is a win::Error whose message names the archive and the
// entry.
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

// One entry of the central directory.
struct TZipHeader {
  QString FileName;           // as stored, with "/" separators
  quint64 UncompressedSize = 0;
  quint64 CompressedSize = 0;
  quint16 DosDate = 0;        // the entry's local date and time, in the DOS encoding
  quint16 DosTime = 0;
  quint32 ExternalAttributes = 0;
  // High byte: the system the entry was made on (0 = MS-DOS, 3 = Unix). libzip keeps no more
  // than that, so the low byte (the format version) is always 0.
  quint16 VersionMadeBy = 0;
  quint16 CompressionMethod = 0;  // 0 stored, 8 deflated
  bool Encrypted = false;
  quint32 Crc32 = 0;

  bool MadeByDos() const { return (VersionMadeBy >> 8) == 0; }
  bool IsFolder() const { return FileName.endsWith('/') || FileName.endsWith('\\'); }
};

// Called once for every file entry, after its data are completely written: the number of bytes
// written and the entry's header.
using TZipProgress = std::function<void(quint64 position, const TZipHeader& header)>;

class TZipReader {
 public:
  // Opens an archive (a Windows path) and reads its central directory. Throws win::Error when
  // the archive is missing, unreadable or not a ZIP.
  explicit TZipReader(const QString& archive);
  ~TZipReader();
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  const QString& Archive() const { return archive_; }
  // The entries in central-directory order.
  const QList<TZipHeader>& Entries() const { return entries_; }
  int Count() const { return int(entries_.size()); }

  // Unpacks every entry into a folder (Windows terms): missing folders are created, folder
  // entries only create their folder, files are created anew (an existing file of that name is
  // replaced), get their DOS time and, when made by MS-DOS, their DOS attributes. Every entry is
  // checked before the first byte is written.
  void UnpackAll(const QString& destination);
  // Unpacks the entry at index (directory order) with the same rules.
  void UnpackEntry(int index, const QString& destination);

  TZipProgress OnProgress;

 private:
  struct Impl;
  QString archive_;
  QList<TZipHeader> entries_;
  std::unique_ptr<Impl> impl_;
};

// The DOS date and time as a local date-time (invalid for an impossible date).
QDateTime DosDateTimeToLocal(quint16 dosDate, quint16 dosTime);

// Unpacks every entry of an archive into a folder (both in Windows terms). Throws win::Error with
// a readable message when the archive is missing, unreadable, not a ZIP, damaged or hostile.
void UnzipAll(const QString& archive, const QString& destination);
