#include "media/Copy.h"

#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

bool RunCopy(TDiskSetPage& page, const TCopyJob& job) {
  if (!AssembleArchives(page, job.Selection, {job.SourceDir, job.DiskCount, job.ShownProgramDir}))
    return false;
  CopyArchives(page, job);
  return true;
}

void EnterArchiveFolder(const QString& shownProgramDir) {
  QString folder = win::ExcludeTrailingBackslash(shownProgramDir);
  // A bare "C:" names the drive's current folder, not its root.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (!win::SetCurrentDir(folder)) throw win::EInOutError(win::ERROR_PATH_NOT_FOUND, folder);
}

void CopyArchives(TDiskSetPage& page, const TCopyJob& job) {
  EnterArchiveFolder(job.ShownProgramDir);
  for (int row = 0; row < CompCount; ++row) {
    const TCompRecord& c = Components[row];
    if (!InSet(job.Selection, row) || c.FileName.isEmpty()) continue;
    page.SetGroupName(c.CompName);
    const QString archive = c.FileName + ".ZIP";
    if (!win::FileExists(archive) && IsOptionalArchive(archive)) continue;
    QString destination;
    switch (c.DestType) {
      case dtProgram:
        destination = job.ProgramDir;
        break;
      case dtDatabaseDat:
        destination = job.DataDir;
        break;
      case dtDatabaseNew: {
        // The old templates go only once the new ones can be read: a missing or broken archive
        // would otherwise leave the data folder with none.
        const TZipReader probe(archive);
        ClearNewDatabase(job.DataDir);
        destination = job.DataDir;
        break;
      }
      case dtProgramFiles:
        destination = job.EngineFolder ? job.EngineFolder() : QString();
        if (destination.isEmpty()) {  // an engine is installed: its files stay as they are
          win::LogLine("copy: engine present, " + archive + " not unpacked");
          continue;
        }
        break;
    }
    UnzipArchive(page, archive, destination);
    if (c.DestType == dtProgram && job.ProgramUnpacked) job.ProgramUnpacked();
  }
  DeleteArchives(job.ProgramDir);
}

bool IsOptionalArchive(const QString& fileName) {
  const QString name = fileName.toUpper();
  return name == "VELAROS.ZIP" || name == "KANVERO.ZIP";
}

void ClearNewDatabase(const QString& folder) {
  const QString base = win::IncludeTrailingBackslash(folder);
  DeleteFiles(base + "NEW\\DATA\\", "*.*");
  DeleteFiles(base + "NEW\\FIRMA\\", "*.*");
  DeleteFiles(base + "NEW\\LUNA\\", "*.*");
}

void DeleteFiles(const QString& folder, const QString& mask) {
  const QString base = win::IncludeTrailingBackslash(folder);
  for (const win::TSearchRec& rec : win::FindFiles(base + mask, win::faAnyFile)) {
    if (rec.Name == "." || rec.Name == "..") continue;
    win::DeleteFile(base + rec.Name);  // folders and files in use stay
  }
}
