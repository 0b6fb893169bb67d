#include "media/Diskset.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "kit/Cliunit.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/WinError.h"
#include "prompt/Prompt.h"

namespace {
int PartsCounter = 0;
}

int PartsJoined() {
  return PartsCounter;
}

int DisksToRead(const TDiskSet& set) {
  if (win::GetDriveType(set.SourceDir.left(3)) != win::DRIVE_REMOVABLE) return 1;
  if (set.DiskCount < 1 || set.DiskCount > MaxDiskCount) {
    // A count that the reading turned into 0 ("abc", "-1") or into a huge number would join
    // nothing or ask for disks that do not exist: said before any disk is asked for.
    win::LogLine(QString("media: NrDiscuri %1 refused").arg(set.DiskCount));
    throw win::Error(QString("Fisierul INSTALL.CFG al discului de instalare are la cheia NrDiscuri "
                             "(sectiunea [General]) valoarea %1; numarul de discuri trebuie sa "
                             "fie intre 1 si %2.")
                         .arg(set.DiskCount)
                         .arg(MaxDiskCount),
                     win::ERROR_INVALID_PARAMETER);
  }
  return set.DiskCount;
}

bool AssembleArchives(TDiskSetPage& page, TCompSet selection, const TDiskSet& given) {
  page.SetGroupName("Asamblare arhive...");
  PartsCounter = 0;
  TDiskSet set = given;
  set.DiskCount = DisksToRead(given);
  if (set.SourceDir.endsWith('\\')) set.SourceDir.chop(1);
  page.SetCopyMax(set.DiskCount);
  page.SetCopyPosition(0);
  for (int n = 1; n <= set.DiskCount; ++n) {
    if (!WaitDisk(set.SourceDir, n)) {
      page.SetModalResult(mrCancel);
      win::LogLine(QString("media: assembly abandoned at disk %1").arg(n));
      return false;
    }
    page.SetCopyPosition(n);
    QStringList parts;
    for (const win::TSearchRec& rec : win::FindFiles(set.SourceDir + "\\*.*", win::faAnyFile)) {
      if (rec.Name == "." || rec.Name == "..") continue;
      if (IsArchivePart(rec.Name, selection)) parts << rec.Name;
    }
    std::sort(parts.begin(), parts.end(), [](const QString& a, const QString& b) {
      int c = QString::compare(a, b, Qt::CaseInsensitive);
      return c != 0 ? c < 0 : a < b;
    });
    for (const QString& part : parts) JoinPart(page, set, part);
    page.SetCopyPosition(PartsCounter);
  }
  return true;
}

bool WaitDisk(const QString& sourceDir, int n) {
  QString folder = sourceDir;
  if (folder.endsWith('\\')) folder.chop(1);
  // The heading of this and of the messages after it, also when no disk is asked for.
  prompt::SetPrefix("Pentru continuare");
  for (;;) {
    if (win::FileExists(folder + "\\DISK" + QString::number(n))) return true;
    prompt::TPrompt p;
    p.Id = "media.insert-disk";
    p.Text = "introdu discul de instalare cu numarul \r" + QString::number(n);
    p.Kind = prompt::TKind::Warning;
    p.Buttons = prompt::Buttons({prompt::bOK, prompt::bCancel});
    p.Default = prompt::bOK;
    p.Prefix = "Pentru continuare";
    const int answer = prompt::Ask(p);
    // A prompt that cannot be shown at all gives up too, rather than asking for ever unseen.
    if (answer == prompt::aCancel || answer == prompt::aNone) return false;
  }
}

bool IsArchivePart(const QString& fileName, TCompSet selection) {
  int dot = fileName.lastIndexOf('.');
  if (dot < 0) return false;
  QString suffix = fileName.mid(dot + 1);
  if (suffix.isEmpty() || !suffix.back().isDigit() || suffix.back().unicode() > '9') return false;
  QString key = fileName.left(fileName.indexOf('.')).toUpper();
  for (int row = 0; row < CompCount; ++row)
    if (InSet(selection, row) && Components[row].FileName == key) return true;
  return false;
}

void JoinPart(TDiskSetPage& page, const TDiskSet& set, const QString& fileName) {
  struct Count {
    ~Count() { ++PartsCounter; }
  } count;
  page.SetGroupName(fileName);
  QString source = set.SourceDir;
  if (source.endsWith('\\')) source.chop(1);
  QString partPath = source + "\\" + fileName;
  QString extension = fileName.mid(fileName.lastIndexOf('.'));
  QString archivePath =
      win::JoinPath(set.ArchiveDir, fileName.left(fileName.indexOf('.')) + ".ZIP");
  win::LogLine(QString("media: join %1 to %2").arg(partPath, archivePath));
  CopyPart(extension, partPath, archivePath);
}

void CopyPart(const QString& extension, const QString& partPath, const QString& archivePath) {
  std::unique_ptr<win::WinFile> part;
  try {
    part = std::make_unique<win::WinFile>(partPath, win::WinFile::Read);
  } catch (const win::Error& e) {
    // The damaged archive shows when it is opened; nothing is said here.
    win::LogLine("media: part not readable: " + e.message());
    return;
  }
  // A link planted in the archive's place is replaced, never written through.
  std::unique_ptr<win::WinFile> archive;
  if (extension == ".1") {
    archive = std::make_unique<win::WinFile>(archivePath, win::WinFile::CreateNoFollow);
  } else {
    // A later part without its start adds nothing: there is no archive to append to.
    if (!win::FileExists(archivePath)) {
      win::LogLine("media: no archive to append to: " + archivePath);
      return;
    }
    archive = std::make_unique<win::WinFile>(archivePath, win::WinFile::AppendNoFollow);
  }
  // Blocks of CopyBufferSize bytes, each copied inside the kernel where the two files allow it
  // (no user buffer at all), else through the buffer; a short block ends the part either way.
  std::unique_ptr<char[]> buffer;
  const int in = part->handle(), out = archive->handle();
  bool inKernel = true;
  // The kernel copies only to a file not opened for appending: the end is sought instead.
  if (int flags = ::fcntl(out, F_GETFL); flags >= 0 && (flags & O_APPEND)) {
    if (::fcntl(out, F_SETFL, flags & ~O_APPEND) != 0 || ::lseek(out, 0, SEEK_END) < 0)
      inKernel = false;
  }
  for (;;) {
    qint64 got = 0;
    while (inKernel && got < CopyBufferSize) {
      ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(CopyBufferSize - got), 0);
      if (n > 0) {
        got += n;
        continue;
      }
      if (n == 0) break;
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
          errno == EBADF) {
        inKernel = false;  // the rest of this block and the next ones through the buffer
        break;
      }
      if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)
        throw win::EInOutError(win::ErrorFromErrno(errno), archivePath);
      win::LogLine("media: part read failed: " + partPath);
      archive->close();
      return;
    }
    if (!inKernel) {
      if (!buffer) buffer.reset(new char[CopyBufferSize]);
      qint64 chunk = 0;
      try {
        while (got + chunk < CopyBufferSize) {
          qint64 n = part->read(buffer.get() + chunk, CopyBufferSize - got - chunk);
          if (n == 0) break;
          chunk += n;
        }
      } catch (const win::Error& e) {
        win::LogLine("media: part read failed: " + e.message());
        archive->write(buffer.get(), chunk);
        break;
      }
      archive->write(buffer.get(), chunk);
      got += chunk;
    }
    if (got < CopyBufferSize) break;
  }
  archive->close();
}

qint64 ArchiveSizeKiB(const TZipReader& reader) {
  qint64 size = 0;
  for (const TZipHeader& h : reader.Entries()) size += qint64(h.UncompressedSize / 1024);
  return size;
}

void UnzipArchive(TDiskSetPage& page, const QString& archiveName, const QString& destination,
                  const TUnpackStep& unpack) {
  page.ZipSize = 0;
  page.ZipProgres = 0;
  // The sizes come from the central directory read on opening; the data are read once.
  TZipReader reader(archiveName);
  page.ZipSize = ArchiveSizeKiB(reader);
  page.SetUnzipPosition(0);
  page.SetUnzipMax(int(quint32(page.ZipSize)));
  win::LogLine(QString("media: unzip %1 to %2").arg(archiveName, destination));
  reader.OnProgress = [&page](quint64 position, const TZipHeader& header) {
    UnzipProgressEvent(page, position, header);
  };
  if (unpack)
    unpack(reader, destination);
  else
    reader.UnpackAll(destination);
}

void UnzipProgressEvent(TDiskSetPage& page, quint64 position, const TZipHeader& header) {
  page.SetUnzipPosition(int(quint32(page.ZipProgres + qint64(position / 1024))));
  if (position == header.UncompressedSize)
    page.ZipProgres += qint64(header.UncompressedSize / 1024);
}

bool IsAssembledArchive(const QString& fileName) {
  if (!fileName.endsWith(".ZIP", Qt::CaseInsensitive)) return false;
  QString key = fileName.chopped(4);
  for (const TCompRecord& c : Components)
    if (!c.FileName.isEmpty() && QString::compare(c.FileName, key, Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

void DeleteArchives(const QString& folder) {
  const int files = win::faReadOnly | win::faHidden | win::faSysFile | win::faArchive;
  for (const win::TSearchRec& rec : win::FindFiles(win::JoinPath(folder, "*.ZIP"), files)) {
    // Only what the assembly made: the user's own ZIP files in the folder stay.
    if (!IsAssembledArchive(rec.Name)) continue;
    QString path = win::JoinPath(folder, rec.Name);
    if (win::DeleteFile(path)) continue;
    prompt::TPrompt p;
    p.Id = "media.cannot-delete";
    p.Text = "Nu pot sterge " + path;
    p.Plain = true;
    prompt::Ask(p);
  }
}
