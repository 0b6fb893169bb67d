#include "engine/aliasint.h"

// Until the engine adapter exists, no machine has the alias: every run is an installation.
bool IsInstalled() { return false; }
