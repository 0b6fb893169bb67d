#pragma once
// The interface to the upgrade library UPGRADE.DLL in the run folder: loading it once, and one
// call for each of its entry points. Every call does nothing (and answers empty or false) while
// no library is loaded.
#include <QString>

// Loads the run folder's UPGRADE.DLL and looks up its entry points; false when it cannot be loaded.
bool LoadUpgradeLibrary();
// Frees the library; the program does this only at exit.
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
