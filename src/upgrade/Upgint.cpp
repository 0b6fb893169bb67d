#include "upgrade/Upgint.h"

// Until the library interface exists, the load fails and an upgrade run ends with its message.
bool LoadUpgradeLibrary() { return false; }
void UnloadUpgradeLibrary() {}
bool UpgradeLibraryLoaded() { return false; }
QString UpgGetAliasPath(const QString&) { return {}; }
void UpgSetReportProc(TUpgReport) {}
void UpgDoStructureUpgrade() {}
void UpgDoListUpgrade() {}
void UpgDoConstUpgrade() {}
bool UpgGetSemaforOK() { return false; }
void UpgSetQuickVerif(bool) {}
