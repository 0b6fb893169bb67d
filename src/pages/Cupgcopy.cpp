#include "pages/Cupgcopy.h"

#include "core/Iglobals.h"

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
  // An upgrade has no engine archive: no engine folder.
  RunCopyStep("upgrade copy",
              [this] { return UpgradeCopy(*this, StateJob(UpgradeSets[InstallKind])); });
}
