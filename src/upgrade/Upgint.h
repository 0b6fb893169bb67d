#pragma once
// The interface to the upgrade library UPGRADE.DLL in the run folder: loading it once, and one
// call for each of its entry points. Every call does nothing (and answers empty or false) while
// no library is loaded. The entry points and the memory blocks are those of UpgradeApi.h.
#include <QString>

// Loads the run folder's UPGRADE.DLL (found without regard to letter case) and looks up its
// eight entry points; false, with nothing loaded, when the file is missing, is not a library or
// lacks one of them. A library already loaded stays and answers true.
bool LoadUpgradeLibrary();
// Frees the library; the program does this only at exit (it happens by itself then).
void UnloadUpgradeLibrary();
bool UpgradeLibraryLoaded();

// The folder of a database alias as the library sees it; empty for an unknown alias.
QString UpgGetAliasPath(const QString& alias);
// The receiver of the library's progress texts (already converted from the ANSI block).
using TUpgReport = void (*)(const QString& text);
void UpgSetReportProc(TUpgReport report);
void UpgDoStructureUpgrade();
void UpgDoListUpgrade();
void UpgDoConstUpgrade();
bool UpgGetSemaforOK();
void UpgSetQuickVerif(bool quick);
