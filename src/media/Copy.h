#pragma once
// The file copy of a fresh installation: the disk set joined into archives in the program
// folder, the archive of every selected component unpacked into its destination, the archives
// removed. The page shows the progress; the rules are here.
#include <QDateTime>
#include <QList>
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

// The folder of a data folder that holds the user's tables (the alias ZORVAN's): DATA.
QString DatabaseFolder(const QString& dataDir);
// The table files (*.DB) the database folder holds now.
int ExistingTables(const QString& dataDir);
// What the fresh copy does with a database that is there already ("copy.existing-database"):
// keep it (the default, also for a question closed any other way) or move it aside.
enum class TExistingDatabase { Keep, Replace };
TExistingDatabase AskExistingDatabase(const QString& dataDir, int tables, const QString& aside);
// A free name beside the database folder for moving it aside: DATA.YYYYMMDD-HHMMSS (with -2,
// -3, ... when taken).
QString AsideName(const QString& dataDir, const QDateTime& now);
// Moves the database folder aside, whole, under that name (nothing is deleted). Throws win::Error
// when it cannot be moved; the log says where it went.
void MoveDatabaseAside(const QString& dataDir, const QString& aside);
// The entries of the database archive a fresh copy writes when the database is kept: those whose
// file (or folder) is not there yet.
QList<int> MissingEntries(const TZipReader& reader, const QString& dataDir);
