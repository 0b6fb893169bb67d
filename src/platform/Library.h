#pragma once
// Libraries by Windows path: loading (the file found without regard to letter case), looking up
// entry points by name, freeing. Underneath are the host's dlopen, dlsym and dlclose.
#include <QString>

namespace win {

using HMODULE = void*;

// Loads the library; 0 when the file is missing or is not a library that loads here (the reason
// is then in LibraryError()).
HMODULE LoadLibrary(const QString& winPath);
// The address of an exported entry point; nullptr when the library has none of that name.
void* GetProcAddress(HMODULE module, const char* name);
// Frees a library that LoadLibrary gave; false for 0.
bool FreeLibrary(HMODULE module);
// Why the last LoadLibrary failed, for the support log.
QString LibraryError();

}  // namespace win
