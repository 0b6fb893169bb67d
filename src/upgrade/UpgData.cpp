#include "upgrade/UpgData.h"

#include "platform/Log.h"
#include "upgrade/Upgint.h"

namespace {
TUpgradeStepsView* ReportView = nullptr;

void ReportToView(const QString& text) {
  if (ReportView) ReportView->Report(text);
}
}  // namespace

const TUpgradeCalls& LibraryUpgradeCalls() {
  static const TUpgradeCalls calls{{&UpgDoStructureUpgrade, &UpgDoListUpgrade, &UpgDoConstUpgrade},
                                   &UpgGetSemaforOK,
                                   &UpgSetReportProc};
  return calls;
}

void RunUpgradeSteps(TUpgradeStepsView& view, const TUpgradeCalls& calls) {
  ReportView = &view;
  calls.SetReportProc(&ReportToView);
  for (int step = 0; step < UpgradeStepCount; ++step) {
    if (!view.StepChecked(step)) continue;
    view.ShowMark(step, true);
    if (step > 0) view.SetStatusRed();
    calls.Step[step]();
    const bool ok = calls.SemaforOK();
    win::LogLine(QString("upgrade data: step %1 %2").arg(step + 1).arg(ok ? "ok" : "failed"));
    if (!ok) view.ShowMark(step, false);
    view.StepDone(step);
  }
}

void ReleaseUpgradeReports(TUpgradeStepsView& view) {
  if (ReportView == &view) ReportView = nullptr;
}
