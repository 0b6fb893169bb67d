#pragma once
// The database engine set-up: whether the application is installed (its alias opens), where the
// engine's files go, the engine's registration, the application's aliases and the Paradox
// driver's network control folder.
#include <QString>
#include <QStringList>

// The alias that tells an installation from an upgrade.
extern const char* const AppAlias;  // "ZORVAN"

// Whether this process has initialised the engine (the end of the process then leaves it).
extern bool EngineInitialized;

// Initialises the engine once per process.
bool InitEngine();
// Whether the engine knows the application's alias "ZORVAN" (an upgrade run when it does).
bool IsInstalled();
// The integer part of a version text ("5.01" gives 5, "4,0" gives 4, "" gives 0).
int VersionNumber(const QString& version);
// The folder the engine archive is unpacked into, created with its parents; empty when an
// engine is installed already (after the older-engine warning when it is older than 4).
QString ChooseEngineFolder();
// The configuration step: registration, the four aliases and, for a fresh engine, NET DIR.
// Every failure but an alias that exists already (a reinstallation meets it) leaves as a
// win::Error naming what failed, so that the installation never ends as a success without a
// working engine: a missing bde.reg in the fresh case (win::EInOutError), the registry editor's
// failure, an engine that cannot start, an alias or NET DIR that cannot be stored.
void DoConfigBDE();
// Registers a freshly unpacked engine (bde.reg imported by the registry editor) or counts one
// more user of the engine that was there. True when the engine is fresh. Throws win::Error when
// the registry editor cannot be started or ends with an exit code other than 0.
bool RegisterEngine();
// The registry editor run quietly on a .reg file (a Windows path), waited for: "regedit /s"
// and the file in quotes. Throws win::Error naming the file when it failed.
void RunRegistryEditor(const QString& regFile);
// Creates aliases of driver PARADOX (folders by position) and saves the configuration. Every
// alias is attempted; false when one could not be added or the lists do not match. problems
// (when given) gets one sentence per failure, an alias that exists already not counted.
bool AddAliases(const QStringList& names, const QStringList& folders,
                QStringList* problems = nullptr);
// Points the Paradox driver's NET DIR at folder (with a trailing "\") and creates its NetDir.
// Returns why it could not, empty when it did.
QString SetNetDir(const QString& folder);
// Why the engine could not be started (the result of DbiInit), naming its configuration file.
QString EngineStartProblem(int dbiResult);
// The end of the process: leaves the engine when this process initialised it.
void EngineShutdown();
// The Program Files folder of the machine's registry ("C:\Program Files" when it names none).
QString ProgramFilesDir();
