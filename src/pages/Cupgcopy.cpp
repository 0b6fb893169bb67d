#include "pages/Cupgcopy.h"

#include "core/Iglobals.h"
#include "notes/CInfo.h"

TUpgCopy::TUpgCopy(QWidget* parent)
    : TCopyingPage(pgUpgCopy, "Actualizare fisiere Zorvan", parent) {
  FormCreate();
}

void TUpgCopy::FormCreate() {
  CurrentPage = pgUpgCopy;
  ZipSize = 0;
  ZipProgres = 0;
}

void TUpgCopy::BNextClick() {
  RunCopyStep("upgrade copy", [this] {
    TCopyJob job;
    job.SourceDir = SourceDir;
    job.DiskCount = DiskCount;
    job.ShownProgramDir = ShownProgramDir;
    job.ProgramDir = ProgramDir;
    job.DataDir = DataDir;
    job.Selection = UpgradeSets[InstallKind];
    job.ProgramUnpacked = ShowReleaseNotes;
    return UpgradeCopy(*this, job);
  });
}
