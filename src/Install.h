#pragma once
// The program entry: the bootstrap run copies the installer off the medium and starts the copy;
// the wizard run (the copy, which finds the handshake file) shows the backdrop and the wizard.
#include <QString>

// The temporary folder of the bootstrap run: TEMP, else WINDIR, with a trailing "\".
// variable (when given) gets the name of the variable it came from.
QString TemporaryFolder(QString* variable = nullptr);
// Copies the installer and its companions from the run folder to the temporary folder, writes
// the handshake file and starts the copy. A temporary folder that does not exist (or lies on a
// drive the machine does not have) throws win::Error naming it and the variable it came from; a
// failure to write the handshake file throws win::EInOutError. Either starts nothing.
void BootstrapRun();
// Reads the handshake file of the run folder into SourceDir; false when there is none or it
// cannot be read (then this is a bootstrap run).
bool ReadHandshake();
// The machine the program runs on, checked before anything else: it loads (machine.ini read and
// understood) and has a drive C: whose folder exists. Throws win::Error naming the file and the
// line or the drive.
void CheckMachine();
// The folder of the running executable in the machine's terms, with a trailing "\"; throws
// win::Error when no drive of the machine holds it.
QString ExecutableRunFolder();
// The wizard run, SourceDir read: the backdrop and the wizard driver; returns the exit code.
int WizardRun();
// The whole run after the kit's start-up; returns the process's exit code.
int ProgramEntry();
// The whole wizard: the start (upgrade check, upgrade archive, configuration, upgrade library)
// and then the page loop until the exit marker.
void RunWizard();
// Unpacks or deletes UPGRADE.ZIP in the run folder, by UpgradeMode.
void PrepareUpgradeArchive();
