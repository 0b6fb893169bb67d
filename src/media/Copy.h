#pragma once
// The file copy of a fresh installation: the disk set joined into archives in the program
// folder, the archive of every selected component unpacked into its destination, the archives
// removed. The page shows the progress; the rules are here.
#include <QString>
#include <functional>

#include "core/Iglobals.h"
#include "media/Diskset.h"

struct TCopyJob {
  QString SourceDir;        // the medium's folder
  int DiskCount = 1;        // NrDiscuri of the medium
  QString ShownProgramDir;  // where the archives are assembled and looked for
  QString ProgramDir;       // dtProgram destination
  QString DataDir;          // dtDatabaseDat and dtDatabaseNew destination
  TCompSet Selection = 0;
  // The folder for the engine's files; empty when an engine is installed already (its files
  // then stay as they are). Unset: the engine archive is not unpacked.
  std::function<QString()> EngineFolder;
  // Called after each program archive is unpacked: the release notes look at what the program
  // folder holds now.
  std::function<void()> ProgramUnpacked;
};

// Assembly and unpacking: false when the user gave up at a disk prompt (the page's modal result
// is then cancel). A failure leaves as the exception that stopped it.
bool RunCopy(TDiskSetPage& page, const TCopyJob& job);
// Unpacks every selected archive into its destination and removes the assembled archives.
// A required archive that is missing or unreadable is an error before its destination changes.
void CopyArchives(TDiskSetPage& page, const TCopyJob& job);
// Makes the program folder (as shown) the current folder: the assembled archives are named
// without a folder from here on. Throws when it cannot be entered.
void EnterArchiveFolder(const QString& shownProgramDir);

// The archives of the sibling modules, which a medium may lack: "VELAROS.ZIP", "KANVERO.ZIP".
bool IsOptionalArchive(const QString& fileName);
// Empties NEW\DATA, NEW\FIRMA and NEW\LUNA of a data folder (their files; subfolders stay).
void ClearNewDatabase(const QString& folder);
// Deletes the files of a folder that match a mask; what cannot be deleted stays, unreported.
void DeleteFiles(const QString& folder, const QString& mask);
