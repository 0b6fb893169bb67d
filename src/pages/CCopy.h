#pragma once
// The file copy page of a fresh installation: joins the disk set into archives in the program
// folder, unpacks the archive of every component selected for the install kind into its
// destination (the engine's files only when the machine has no engine), offers the release notes
// after each program archive and removes the archives.
//
// A copy that fails (a required archive missing or unreadable) shows the error and leaves the
// page open with its buttons enabled again: the status line still names the component that
// failed, and Continue runs the whole copy again (the assembly starts every archive anew at its
// ".1" part), so the wizard never goes on after an incomplete copy.
#include <QString>

#include "media/Copy.h"
#include "pages/PageLook.h"

class QLabel;
class TActiveLabel;
class TMButton;
class TMGauge;
class TNiceButton;

class TCopy : public TWizardPage, public TDiskSetPage {
  Q_OBJECT
 public:
  explicit TCopy(QWidget* parent = nullptr);

  TActiveLabel* LGroupName = nullptr;
  QLabel* Label1 = nullptr;
  TMGauge* CopyProgress = nullptr;
  QLabel* Label2 = nullptr;
  TMGauge* UnzipProgress = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BBack = nullptr;
  TNiceButton* BCancel = nullptr;

  // The copy: assembly, unpacking, removal. Runs inside the click with the buttons disabled.
  void BNextClick();
  // The copy of the installer state's folders and install kind.
  static TCopyJob Job();

  // TDiskSetPage
  void SetGroupName(const QString& text) override;
  void SetCopyMax(int max) override;
  void SetCopyPosition(int position) override;
  void SetUnzipMax(int max) override;
  void SetUnzipPosition(int position) override;
  void SetModalResult(int result) override;

 private:
  void SetButtonsEnabled(bool enabled);
};
