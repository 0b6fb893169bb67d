#include "upgrade/UpgData.h"

#include <QStringList>

#include "platform/Log.h"
#include "upgrade/Upgint.h"

namespace {
TUpgradeStepsView* ReportView = nullptr;
QString LastReport;  // of the step running now

void ReportToView(const QString& text) {
  LastReport = text;
  if (ReportView) ReportView->Report(text);
}
}  // namespace

QString TUpgradeStepsOutcome::FailedNames() const {
  QStringList names;
  for (int step : Failed) names << QString::number(step + 1);
  return names.join(", ");
}

const TUpgradeCalls& LibraryUpgradeCalls() {
  static const TUpgradeCalls calls{{&UpgDoStructureUpgrade, &UpgDoListUpgrade, &UpgDoConstUpgrade},
                                   &UpgGetSemaforOK,
                                   &UpgSetReportProc};
  return calls;
}

TUpgradeStepsOutcome RunUpgradeSteps(TUpgradeStepsView& view, const TUpgradeCalls& calls) {
  TUpgradeStepsOutcome outcome;
  ReportView = &view;
  calls.SetReportProc(&ReportToView);
  for (int step = 0; step < UpgradeStepCount; ++step) {
    if (!view.StepChecked(step)) continue;
    view.ShowMark(step, true);
    if (step > 0) view.SetStatusRed();
    LastReport.clear();
    calls.Step[step]();
    const bool ok = calls.SemaforOK();
    win::LogLine(QString("upgrade data: step %1 %2").arg(step + 1).arg(ok ? "ok" : "failed"));
    if (!ok) {
      view.ShowMark(step, false);
      if (outcome.Failed.empty()) outcome.FailedReport = LastReport;
      outcome.Failed.push_back(step);
    }
    view.StepDone(step);
  }
  if (!outcome.Ok()) win::LogLine("upgrade data: failed steps " + outcome.FailedNames());
  return outcome;
}

void ReleaseUpgradeReports(TUpgradeStepsView& view) {
  if (ReportView == &view) ReportView = nullptr;
}
