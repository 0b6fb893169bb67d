#pragma once
// The program entry: the bootstrap run copies the installer off the medium and starts the copy;
// the wizard run (the copy, which finds the handshake file) shows the backdrop and the wizard.
#include <QString>

// The temporary folder of the bootstrap run: TEMP, else WINDIR, with a trailing "\".
QString TemporaryFolder();
// Copies the installer and its companions from the run folder to the temporary folder, writes
// the handshake file and starts the copy. A failure to write the handshake file throws
// win::EInOutError and starts nothing.
void BootstrapRun();
// Reads the handshake file of the run folder into SourceDir; false when there is none or it
// cannot be read (then this is a bootstrap run).
bool ReadHandshake();
// The whole run after the kit's start-up; returns the process's exit code.
int ProgramEntry();
