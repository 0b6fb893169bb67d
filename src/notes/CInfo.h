#pragma once
// The release notes window.

class TEditInfo;

// Shows the release notes when the program folder holds notes for this version.
void ShowReleaseNotes();
