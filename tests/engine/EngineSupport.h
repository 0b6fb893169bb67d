#pragma once
// Helpers for tests of the engine: a machine whose registry names an engine configuration file.
#include <QString>

#include "common/TestMachine.h"
#include "platform/Idapi.h"

// Leaves the engine completely and forgets that this process initialised it.
void ResetEngine();

// Writes cfgText as the engine's configuration file C:\BDE\IDAPI32.CFG and names it in the
// registry. Returns the host path of the file.
QString InstallEngineConfig(TestMachine& machine, const QByteArray& cfgText = "");

// Where tests leave pictures of what they show: "screens" in the build folder.
QString ScreenFile(const QString& name);
