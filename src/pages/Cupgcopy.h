#pragma once
// The upgrade file copy page, the second page of an upgrade: joins the disk set and unpacks the
// upgrade's archives over the installation (src/upgrade/UpgCopy.h does the work).
//
// An upgrade copy that fails (an archive that cannot be read, a file that cannot be replaced)
// shows the error and leaves the page open with its buttons enabled again: the status line
// names the component, and Continue runs the whole upgrade copy again, so that the wizard never
// reaches the finish page after an incomplete upgrade.
#include <QString>

#include "media/UpgCopy.h"
#include "pages/PageLook.h"

class QLabel;
class TActiveLabel;
class TMButton;
class TMGauge;
class TNiceButton;

class TUpgCopy : public TWizardPage, public TUpgradeCopyPage {
  Q_OBJECT
 public:
  explicit TUpgCopy(QWidget* parent = nullptr);

  TActiveLabel* LGroupName = nullptr;
  QLabel* Label1 = nullptr;
  TMGauge* CopyProgress = nullptr;
  QLabel* Label2 = nullptr;
  TMGauge* UnzipProgress = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BBack = nullptr;
  TNiceButton* BCancel = nullptr;

  void FormCreate();
  // The upgrade copy, inside the click with the three buttons disabled.
  void BNextClick();

  // TDiskSetPage and TUpgradeCopyPage
  void SetGroupName(const QString& text) override;
  void SetCopyMax(int max) override;
  void SetCopyPosition(int position) override;
  void SetUnzipMax(int max) override;
  void SetUnzipPosition(int position) override;
  void SetModalResult(int result) override;
  void HandleEvents() override;

 private:
  void SetButtonsEnabled(bool enabled);
};
