#pragma once
// The upgrade file copy page, the second page of an upgrade: joins the disk set and unpacks the
// upgrade's archives over the installation (src/media/UpgCopy.h does the work).
//
// An upgrade copy that fails (an archive that cannot be read, a file that cannot be replaced)
// leaves the page open on the component that failed, so that the wizard never reaches the finish
// page after an incomplete upgrade; Continue runs the whole upgrade copy again.
#include "pages/CopyingPage.h"

class TUpgCopy : public TCopyingPage {
  Q_OBJECT
 public:
  explicit TUpgCopy(QWidget* parent = nullptr);

  void FormCreate();
  // The upgrade copy.
  void BNextClick() override;
};
