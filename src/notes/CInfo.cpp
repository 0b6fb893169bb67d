#include "notes/CInfo.h"

// Until the release notes window exists, there is nothing to show.
void ShowReleaseNotes() {}
