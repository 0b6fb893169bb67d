#pragma once
// The disk set: collecting the part files of the selected components disk by disk, joining them
// into whole archives in the program folder, unpacking an archive with a progress gauge, and
// removing the assembled archives. Shared by the file copy and upgrade file copy pages.
#include <QString>
#include <functional>

#include "core/Iglobals.h"

struct TZipHeader;
class TZipReader;

// What a copy page offers these operations: its status label LGroupName, its gauges
// CopyProgress and UnzipProgress (each holds a position outside 0..maximum at the nearer end and
// repaints at once when the shown percentage changes), its modal result, and its unpacking
// counters.
class TDiskSetPage {
 public:
  virtual ~TDiskSetPage() = default;
  virtual void SetGroupName(const QString& text) = 0;  // shown and repainted at once
  virtual void SetCopyMax(int max) = 0;
  virtual void SetCopyPosition(int position) = 0;
  virtual void SetUnzipMax(int max) = 0;
  virtual void SetUnzipPosition(int position) = 0;
  virtual void SetModalResult(int result) = 0;

  qint64 ZipSize = 0;     // KiB of the archive being unpacked (sizes / 1024, entry by entry)
  qint64 ZipProgres = 0;  // KiB of its entries completely unpacked
};

// The size of the copy buffer, obtained for each part and released after it.
constexpr qint64 CopyBufferSize = 2500000;
// The most disks a disk set may have; on a removable drive NrDiscuri outside 1..MaxDiskCount is
// an error before any disk is asked for.
constexpr int MaxDiskCount = 99;

// The medium of a copy: where its disks are read, how many the configuration says it has, and
// where the archives are joined.
struct TDiskSet {
  QString SourceDir;   // the medium's folder, with or without a trailing "\"
  int DiskCount = 1;   // NrDiscuri
  QString ArchiveDir;  // the (shown) program folder
};

// The disks read: only a removable drive has disks to change, any other source is read once as
// it is. Throws win::Error when a removable source has a count outside 1..MaxDiskCount.
int DisksToRead(const TDiskSet& set);
// Joins the parts of every disk into archives in set.ArchiveDir. False when the user gave up at
// a disk prompt ("media.insert-disk"); the page's modal result is then cancel. Throws
// win::Error, before any prompt, when DisksToRead refuses the count.
bool AssembleArchives(TDiskSetPage& page, TCompSet selection, const TDiskSet& set);
// Waits until the source folder holds the marker DISK<n>, asking for the disk; false on Cancel.
bool WaitDisk(const QString& sourceDir, int n);
// A part file of a selected component: KEY.<suffix ending in a digit>.
bool IsArchivePart(const QString& fileName, TCompSet selection);
// Adds one part file of the current disk (in set.SourceDir) to its archive.
void JoinPart(TDiskSetPage& page, const TDiskSet& set, const QString& fileName);
// Copies a part to its archive: ".1" starts the archive anew, any other extension appends.
// A part that cannot be read adds nothing further; an archive that cannot be written is an error.
void CopyPart(const QString& extension, const QString& partPath, const QString& archivePath);
// The parts joined since the last assembly started.
int PartsJoined();

// ZipSize of an archive: the sum of its entries' sizes, each divided by 1024.
qint64 ArchiveSizeKiB(const TZipReader& reader);
// How UnzipArchive writes an archive's entries into the destination; unset: all of them, after
// the check that they fit.
using TUnpackStep = std::function<void(TZipReader& reader, const QString& destination)>;
// Unpacks one assembled archive into a folder, driving UnzipProgress.
void UnzipArchive(TDiskSetPage& page, const QString& archiveName, const QString& destination,
                  const TUnpackStep& unpack = {});
// The progress handler UnzipArchive gives the ZIP reader.
void UnzipProgressEvent(TDiskSetPage& page, quint64 position, const TZipHeader& header);

// Whether a file name is an archive the assembly makes: KEY.ZIP for a component key.
bool IsAssembledArchive(const QString& fileName);
// Deletes the assembled archives (KEY.ZIP of the component keys) of a folder; other ZIP files
// stay. A file that cannot be deleted gets the plain message "Nu pot sterge " and its path
// ("media.cannot-delete").
void DeleteArchives(const QString& folder);
