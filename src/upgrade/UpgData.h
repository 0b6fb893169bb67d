#pragma once
// The work of the database upgrade page: the library's three steps (structures, lists,
// constants) in this order, each run when its box is ticked at the moment its turn comes, each
// marked with a check mark that stays only when the library reports success.
#include <QString>
#include <vector>

constexpr int UpgradeStepCount = 3;

// What the steps show on their page. The page stays live while a step runs (the reports let
// pending events run), so a box is read only when its step's turn comes.
class TUpgradeStepsView {
 public:
  virtual ~TUpgradeStepsView() = default;
  virtual bool StepChecked(int step) = 0;  // step 0, 1, 2
  virtual void ShowMark(int step, bool visible) = 0;
  virtual void SetStatusRed() = 0;               // before the lists and constants steps
  virtual void StepDone(int step) = 0;           // the panel's done look, repainted
  virtual void Report(const QString& text) = 0;  // a text of the library
};

// The library's calls, replaceable in tests; by default the loaded upgrade library.
struct TUpgradeCalls {
  void (*Step[UpgradeStepCount])();
  bool (*SemaforOK)();
  void (*SetReportProc)(void (*report)(const QString& text));
};
const TUpgradeCalls& LibraryUpgradeCalls();

// What the steps came to: the steps (0, 1, 2) whose GetSemaforOK answered false, and the last
// report of the first of them (the next step's reports would otherwise hide why it failed).
struct TUpgradeStepsOutcome {
  std::vector<int> Failed;
  QString FailedReport;
  bool Ok() const { return Failed.empty(); }
  QString FailedNames() const;  // "2" or "1, 3": the steps as the page numbers them
};

// Registers the view's report with the library and runs the ticked steps. The report stays
// registered with the view until the next run or ReleaseUpgradeReports.
TUpgradeStepsOutcome RunUpgradeSteps(TUpgradeStepsView& view,
                                     const TUpgradeCalls& calls = LibraryUpgradeCalls());
// Reports that arrive after the view is gone are dropped.
void ReleaseUpgradeReports(TUpgradeStepsView& view);
