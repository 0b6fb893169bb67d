#pragma once
// The help and chart updaters of the configuration step, run from the program folder.
#include <QString>
#include <QStringList>

// The two command lines: HHUPD.EXE /Q, then TREGSVR.EXE -Q on CFX32.OCX (quoted when the
// program folder has blanks in it, so that the control stays one argument).
QStringList UpdaterCommands(const QString& programDir);

struct TUpdaterResults {
  int Help = 0;   // the help updater's exit code, or the platform's failure code
  int Chart = 0;  // the chart control registration's
};

// Runs both, minimised, each waited for. Their results are logged, not acted on: a missing
// updater leaves the installation working.
TUpdaterResults RunUpdaters(const QString& programDir);
