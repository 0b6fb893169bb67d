#include "engine/Updaters.h"

#include "platform/Log.h"
#include "platform/Process.h"

QStringList UpdaterCommands(const QString& programDir) {
  QString control = programDir + "\\CFX32.OCX";
  if (control.contains(' ')) control = '"' + control + '"';
  return {programDir + "\\HHUPD.EXE /Q", programDir + "\\TREGSVR.EXE -Q " + control};
}

TUpdaterResults RunUpdaters(const QString& programDir) {
  const QStringList commands = UpdaterCommands(programDir);
  TUpdaterResults results;
  results.Help = win::RunProcess(commands[0], win::SW_MINIMIZE, true);
  results.Chart = win::RunProcess(commands[1], win::SW_MINIMIZE, true);
  win::LogLine(
      QString("config: HHUPD.EXE -> %1, TREGSVR.EXE -> %2").arg(results.Help).arg(results.Chart));
  return results;
}
