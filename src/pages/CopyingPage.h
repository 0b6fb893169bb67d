#pragma once
// What the file copy page of a fresh installation and the upgrade copy page share: the red status
// line, the "Copiere:" and "Decompresie:" gauges, Back, Continue and Abandon, the progress
// reports of the disk set, and the rule for a copy that fails: the error is shown, the page stays
// open on what failed with its buttons enabled again, and Continue runs the whole copy again, so
// the wizard never goes on after an incomplete copy.
#include <QString>
#include <functional>

#include "media/UpgCopy.h"
#include "pages/PageLook.h"

class QLabel;
class TActiveLabel;
class TMButton;
class TMGauge;
class TNiceButton;

class TCopyingPage : public TWizardPage, public TUpgradeCopyPage {
  Q_OBJECT
 public:
  TCopyingPage(int position, const QString& caption, QWidget* parent = nullptr);

  TActiveLabel* LGroupName = nullptr;
  QLabel* Label1 = nullptr;
  TMGauge* CopyProgress = nullptr;
  QLabel* Label2 = nullptr;
  TMGauge* UnzipProgress = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BBack = nullptr;
  TNiceButton* BCancel = nullptr;

  // Continue: the page's copy, inside the click with the three buttons disabled.
  virtual void BNextClick() = 0;

  // TDiskSetPage and TUpgradeCopyPage
  void SetGroupName(const QString& text) override;
  void SetCopyMax(int max) override;
  void SetCopyPosition(int position) override;
  void SetUnzipMax(int max) override;
  void SetUnzipPosition(int position) override;
  void SetModalResult(int result) override;
  void HandleEvents() override;

 protected:
  // The copy of the installer state's medium and folders with a selection of components.
  static TCopyJob StateJob(TCompSet selection);
  // Runs `copy` with the buttons disabled. True from it ends the page with next; false means the
  // user quit (the page's result is set already). An exception is logged under `what`, shown, and
  // leaves the page open.
  void RunCopyStep(const char* what, const std::function<bool()>& copy);

 private:
  void SetButtonsEnabled(bool enabled);
};
