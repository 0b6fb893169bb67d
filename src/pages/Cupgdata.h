#pragma once
// The database upgrade page, the last page of an upgrade: the upgrade library's three steps
// (structures, lists, constants), each chosen by its box or its panel, run by Continue with the
// library's reports in L1 (src/upgrade/UpgData.h runs them). Alt+Q switches quick verification.
#include <QLabel>

#include "kit/Actives.h"
#include "pages/PageLook.h"
#include "upgrade/UpgData.h"

class TActiveCheckBox;
class TFmtLabel;
class TMButton;
class TNiceButton;

// A panel showing a caption: plain (no bevel, black, right-aligned) or done (raised, red,
// left-aligned). A click runs OnClick.
class TStepPanel : public QLabel {
  Q_OBJECT
 public:
  explicit TStepPanel(const QString& caption, QWidget* parent = nullptr);
  void SetDone(bool done);
  bool Done() const { return done_; }
  TNotifyEvent OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool done_ = false;
};

class TUpgData : public TWizardPage, public TUpgradeStepsView {
  Q_OBJECT
 public:
  explicit TUpgData(QWidget* parent = nullptr);
  ~TUpgData() override;

  QLabel* L1 = nullptr;
  TStepPanel* BStruct = nullptr;
  TStepPanel* BLists = nullptr;
  TStepPanel* BConst = nullptr;
  TActiveCheckBox* Ck1 = nullptr;
  TActiveCheckBox* Ck2 = nullptr;
  TActiveCheckBox* Ck3 = nullptr;
  TFmtLabel* Lk1 = nullptr;
  TFmtLabel* Lk2 = nullptr;
  TFmtLabel* Lk3 = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BBack = nullptr;
  TNiceButton* BCancel = nullptr;

  bool QuickV = false;

  void FormCreate();
  void BNextClick();
  void BCancelClick();
  void FormKeyDown(QKeyEvent* event) override;

  // The colour of L1's text ($00BBGGRR).
  TColor StatusColor() const { return statusColor_; }

  // TUpgradeStepsView
  bool StepChecked(int step) override;
  void ShowMark(int step, bool visible) override;
  void SetStatusRed() override;
  void StepDone(int step) override;
  void Report(const QString& text) override;

 private:
  void SetStatusColor(TColor color);
  TActiveCheckBox* Box(int step) const;
  TFmtLabel* Mark(int step) const;
  TStepPanel* Panel(int step) const;
  TColor statusColor_ = clBlack;
  QString failed_;  // the steps of the last run that failed ("2", "1, 3"), for the log
};
