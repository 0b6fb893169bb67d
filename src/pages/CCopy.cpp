#include "pages/CCopy.h"

#include "core/Iglobals.h"
#include "engine/aliasint.h"

TCopy::TCopy(QWidget* parent) : TCopyingPage(2, "Copiere fisiere Zorvan", parent) {}

void TCopy::BNextClick() {
  RunCopyStep("copy", [this] { return RunCopy(*this, Job()); });
}

TCopyJob TCopy::Job() {
  TCopyJob job = StateJob(InstallSets[InstallKind]);
  job.EngineFolder = ChooseEngineFolder;
  return job;
}
