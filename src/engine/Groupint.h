#pragma once
// The program group "ZarEDERAD" in the shell, made over a conversation with "ProgMan".
#include <QString>

// The command text for the program folder as it is now: CreateGroup, the items of the
// executables present, ShowGroup; every line ended by CR LF.
QString GroupMacro();
// The step of the configuration page: "Eroare DDE!" when the shell cannot be reached.
void DoConfigGroup();
