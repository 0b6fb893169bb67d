#include "media/UpgCopy.h"

#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

bool UpgradeEntryAccepted(const QString& entryName, bool programArchive) {
  QString name = entryName;
  name.replace('/', '\\');
  name = "\\" + name.toUpper();
  if (programArchive) return !name.startsWith("\\IDAPI");
  return name.startsWith("\\NEW");
}

void CleanTemplateFolders(const QString& dataDir) {
  const QString base = win::IncludeTrailingBackslash(dataDir);
  for (const char* sub : {"NEW\\DATA\\", "NEW\\FIRMA\\", "NEW\\LUNA\\"}) {
    const QString folder = base + sub;
    for (const win::TSearchRec& rec : win::FindFiles(folder + "*.*", win::faAnyFile)) {
      if (rec.Attr == win::faDirectory) continue;
      const QString path = folder + rec.Name;
      const QString upper = rec.Name.toUpper();
      if (upper.endsWith(".BMP") || upper.endsWith(".PNG")) {
        win::FileSetAttr(path, 0);  // a read-only picture could not be replaced
        continue;
      }
      win::DeleteFile(path);
    }
  }
}

void UnzipUpgradeArchive(TUpgradeCopyPage& page, const QString& archive, const QString& destination,
                         bool programArchive) {
  page.ZipSize = 0;
  page.ZipProgres = 0;
  TZipReader reader(archive);
  page.ZipSize = ArchiveSizeKiB(reader);
  page.SetUnzipPosition(0);
  page.SetUnzipMax(int(quint32(page.ZipSize)));
  win::LogLine(QString("upgrade copy: unzip %1 to %2").arg(archive, destination));
  reader.OnProgress = [&page](quint64 position, const TZipHeader& header) {
    UnzipProgressEvent(page, position, header);
    page.HandleEvents();
  };
  QList<int> accepted;
  for (int i = 0; i < reader.Count(); ++i)
    if (UpgradeEntryAccepted(reader.Entries().at(i).FileName, programArchive)) accepted << i;
  reader.UnpackEntries(accepted, destination);
  if (const qsizetype refused = reader.Count() - accepted.size())
    win::LogLine(QString("upgrade copy: %1 entries of %2 refused").arg(refused).arg(archive));
}

void UnpackUpgrade(TUpgradeCopyPage& page, const TCopyJob& job) {
  EnterArchiveFolder(job.ShownProgramDir);
  for (int row = 0; row < CompCount; ++row) {
    const TCompRecord& c = Components[row];
    if (!InSet(job.Selection, row) || c.FileName.isEmpty()) continue;
    page.SetGroupName(c.CompName);
    const QString archive = c.FileName + ".ZIP";
    const bool program = c.DestType == dtProgram;
    const QString destination = program ? job.ProgramDir : job.DataDir;
    const bool present = win::FileExists(archive);
    if (c.DestType == dtDatabaseNew) {
      // The old templates go only once the new ones can be read; without an archive the
      // folders are cleaned all the same.
      if (present) TZipReader probe(archive);
      CleanTemplateFolders(job.DataDir);
    }
    if (!present) {
      win::LogLine("upgrade copy: no " + archive);
      continue;
    }
    UnzipUpgradeArchive(page, archive, destination, program);
    if (program && job.ProgramUnpacked) job.ProgramUnpacked();
  }
  DeleteArchives(job.ProgramDir);
}

bool UpgradeCopy(TUpgradeCopyPage& page, const TCopyJob& job) {
  if (!AssembleArchives(page, job.Selection, {job.SourceDir, job.DiskCount, job.ShownProgramDir}))
    return false;
  UnpackUpgrade(page, job);
  return true;
}
