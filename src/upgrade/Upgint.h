#pragma once
// The interface to the upgrade library UPGRADE.DLL in the run folder.

// Loads the library and looks up its entry points; false when it cannot be loaded.
bool LoadUpgradeLibrary();
