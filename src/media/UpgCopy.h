#pragma once
// The work of the upgrade file copy page: the disk set joined as for a fresh installation, then
// the archives of the upgrade's components unpacked over the installation through an entry
// filter (of the database archives only the NEW templates), the template folders cleaned with
// their pictures kept, and the assembled archives removed.
#include <QString>

#include "core/Iglobals.h"
#include "media/Copy.h"
#include "media/Diskset.h"

// What the upgrade copy needs of its page beyond the disk set's controls.
class TUpgradeCopyPage : public TDiskSetPage {
 public:
  // After every progress report of the unpacking: the page lets pending events run.
  virtual void HandleEvents() = 0;
};

// The upgrade copy takes the job of a file copy: the medium, the folders (the database archives
// go to DataDir, their NEW subtree only), the selection (UpgradeSets of the kind) and what
// follows a program archive. EngineFolder is not used: an upgrade has no engine archive.

// Whether an entry of an upgrade archive is unpacked. Program archives take everything but the
// engine's IDAPI... folder; database archives only the text that starts with "\NEW" (after "/"
// became "\", upper-cased, a "\" put in front).
bool UpgradeEntryAccepted(const QString& entryName, bool programArchive);
// The same, and nothing of the user's data: dataBelow says where the data folder lies below the
// archive's destination (win::PathBelow: "" the same folder, "SUB\" below it, null elsewhere).
// Below it only NEW is written; where it is the destination itself (a LOCAL installation, whose
// program folder is the data folder) its database folder DATA is not.
bool UpgradeEntryAccepted(const QString& entryName, bool programArchive, const QString& dataBelow);

// Unpacks one archive into a destination through the entry filter, the unzip gauge starting
// again at 0; the data folder guards what the filter lets through, and a template archive
// replaces the templates whole (media/Templates.h). Throws win::Error when the archive cannot be
// read or a file cannot be written.
void UnzipUpgradeArchive(TUpgradeCopyPage& page, const QString& archive, const QString& destination,
                         bool programArchive, const QString& dataDir, bool templates = false);

// Unpacks the assembled archives of the selection (they lie in ShownProgramDir) and removes
// them. An archive that is missing is skipped; an error leaves the archives not yet unpacked in
// place and travels on, the status line naming the component.
void UnpackUpgrade(TUpgradeCopyPage& page, const TCopyJob& job);

// The whole upgrade copy: assembly from the job's medium, unpacking, removal. False when the user
// gave up at a disk prompt (the page's result is then quit).
bool UpgradeCopy(TUpgradeCopyPage& page, const TCopyJob& job);
