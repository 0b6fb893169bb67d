#include "pages/CCopy.h"

#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "notes/CInfo.h"

TCopy::TCopy(QWidget* parent) : TCopyingPage(2, "Copiere fisiere Zorvan", parent) {}

void TCopy::BNextClick() {
  RunCopyStep("copy", [this] { return RunCopy(*this, Job()); });
}

TCopyJob TCopy::Job() {
  TCopyJob job;
  job.SourceDir = SourceDir;
  job.DiskCount = DiskCount;
  job.ShownProgramDir = ShownProgramDir;
  job.ProgramDir = ProgramDir;
  job.DataDir = DataDir;
  job.Selection = InstallSets[InstallKind];
  job.EngineFolder = ChooseEngineFolder;
  job.ProgramUnpacked = ShowReleaseNotes;
  return job;
}
