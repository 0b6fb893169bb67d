#include "media/UpgCopy.h"

#include "media/Templates.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/NoFollow.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace {
QString FilterName(const QString& entryName) {
  QString name = entryName;
  name.replace('/', '\\');
  return "\\" + name.toUpper();
}
}  // namespace

bool UpgradeEntryAccepted(const QString& entryName, bool programArchive) {
  const QString name = FilterName(entryName);
  if (programArchive) return !name.startsWith("\\IDAPI");
  return name.startsWith("\\NEW");
}

bool UpgradeEntryAccepted(const QString& entryName, bool programArchive, const QString& dataBelow) {
  if (!UpgradeEntryAccepted(entryName, programArchive)) return false;
  if (dataBelow.isNull()) return true;
  const QString name = FilterName(entryName);
  if (dataBelow.isEmpty()) {
    const QString database = "\\" + AliasDirs[3].toUpper();
    return name != database && !name.startsWith(database + "\\");
  }
  const QString data = "\\" + dataBelow.toUpper();
  return !name.startsWith(data) || name.startsWith(data + "NEW");
}

void UnzipUpgradeArchive(TUpgradeCopyPage& page, const QString& archive, const QString& destination,
                         bool programArchive, const QString& dataDir, bool templates) {
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
  const QString dataBelow = win::PathBelow(destination, dataDir);
  QList<int> accepted;
  qsizetype filtered = 0;
  for (int i = 0; i < reader.Count(); ++i) {
    const QString& name = reader.Entries().at(i).FileName;
    if (UpgradeEntryAccepted(name, programArchive, dataBelow)) {
      accepted << i;
    } else if (UpgradeEntryAccepted(name, programArchive)) {
      // What the data folder refuses is named: an archive should never carry it.
      win::LogLine(
          QString("upgrade copy: %1: entry %2 refused, it would write the user's data in %3")
              .arg(archive, name, dataDir));
    } else {
      ++filtered;
    }
  }
  if (templates)
    UnpackTemplates(&reader, accepted, destination, TTemplateRule::Upgrade);
  else
    reader.UnpackEntries(accepted, destination);
  if (filtered)
    win::LogLine(QString("upgrade copy: %1 entries of %2 refused").arg(filtered).arg(archive));
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
    const bool templates = c.DestType == dtDatabaseNew;
    if (!present) {
      win::LogLine("upgrade copy: no " + archive);
      // Without a template archive the template folders are cleaned all the same.
      if (templates) UnpackTemplates(nullptr, {}, job.DataDir, TTemplateRule::Upgrade);
      continue;
    }
    UnzipUpgradeArchive(page, archive, destination, program, job.DataDir, templates);
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
