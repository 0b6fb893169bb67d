#pragma once
// Starting other programs from a command line, by the platform's rules.
#include <QString>
#include <QStringList>

namespace win {

// Show modes handed to the started program (in ZAREDERAD_SHOWMODE).
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5, SW_MINIMIZE = 6 };

// The arguments of a command line by the platform's rules: 2n backslashes before a quote give n
// backslashes and a quote that opens or closes a quoted part, 2n+1 give n backslashes and a
// literal quote, "" inside a quoted part gives a quote; other backslashes are literal.
QStringList SplitArguments(const QString& arguments);
// The whole command line: the program name (up to the closing quote, or up to the first blank;
// no escapes) followed by SplitArguments of the rest.
QStringList CommandLineToArgv(const QString& commandLine);

// Finds a program as the platform does: a name with a folder is taken as it is; a bare name is
// looked for in the application's folder, the current folder, the Windows folder and the host
// PATH. ".EXE" is added to a name without an extension; names compare without regard to case.
// Returns the host path of a runnable program (ELF or "#!" script with its execute bit), or empty.
QString FindProgram(const QString& name);

// Starts a program from a command line (an unquoted first token with blanks is tried word by
// word, as the platform does). The program gets the remaining arguments, this process's
// environment, its machine (ZAREDERAD_MACHINE) and the show mode (ZAREDERAD_SHOWMODE).
// Returns -1 when it cannot be started; with wait, its exit code (128 + signal when killed);
// without wait, 0 at once, leaving no zombie behind.
int RunProcess(const QString& commandLine, int showMode, bool wait);

// Names the system's time zone file in TZ when nothing is named there. Unnamed, the C library
// checks that file again at every conversion of a local time: twice per entry when an archive is
// opened, 20,000 checks for 10,000 files. Programs started from here inherit it. For the start of
// main, before any thread reads the environment.
void PinTimeZone();

}  // namespace win
