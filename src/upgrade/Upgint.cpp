#include "upgrade/Upgint.h"

// Until the library interface exists, the load fails and an upgrade run ends with its message.
bool LoadUpgradeLibrary() { return false; }
