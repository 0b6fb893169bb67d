#pragma once
// Reading the installation's ZIP archives (stored or deflated entries): libzip reads and checks
// the directory, the data are read straight from the archive, ISA-L (or zlib where the build has
// no ISA-L) inflates. Files are written on a second thread while the caller's names them.
//
// Archives come from removable media and may be damaged or hostile, so unpacking is strict:
// an archive whose entries share their data is refused on opening; an entry whose name would
// leave the destination (".." components, a root, a drive letter), a symbolic link, an encrypted
// entry or an unknown method, and an archive larger than the destination's free space, are
// refused before anything is written; a link met inside the destination is never followed; a CRC
// or size mismatch or a truncated stream is an error. A file is written unnamed (or, where the
// file system cannot, under a temporary name that the next run removes) and gets the entry's
// name only when its data are complete and checked. Every failure is a win::Error whose message,
// in Romanian, names the archive and, where it applies, the entry and the folder.
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "media/Inflate.h"

// One entry of the central directory.
struct TZipHeader {
  QString FileName;  // as stored, with "/" separators
  quint64 UncompressedSize = 0;
  quint64 CompressedSize = 0;
  quint16 DosDate = 0;  // the entry's local date and time, in the DOS encoding
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
  // Unpacks the entries at indices, in that order, with the same rules (every one is checked
  // before the first byte is written); no free-space check, as an upgrade replaces files. No
  // index at all writes nothing, not even the destination folder.
  void UnpackEntries(const QList<int>& indices, const QString& destination);

  TZipProgress OnProgress;
  // The inflater of deflated entries.
  TInflater Inflater = DefaultInflater();
  // False: every file is written under a temporary name and renamed, as on a file system that
  // has no unnamed files (the reader falls back to that by itself).
  bool UnnamedFiles = true;

  // The free bytes of a destination folder (Windows terms). Empty: the file system is asked.
  static std::function<quint64(const QString& destination)> FreeSpaceQuery;

 private:
  struct Impl;
  void Open(const QString& destination);
  void Unpack(const std::vector<int>& indices, const QString& destination);
  QString archive_;
  QList<TZipHeader> entries_;
  std::unique_ptr<Impl> impl_;
};

// The DOS date and time as a local date-time (invalid for an impossible date).
QDateTime DosDateTimeToLocal(quint16 dosDate, quint16 dosTime);

// Unpacks every entry of an archive into a folder (both in Windows terms). Throws win::Error with
// a readable message when the archive is missing, unreadable, not a ZIP, damaged or hostile.
void UnzipAll(const QString& archive, const QString& destination);
