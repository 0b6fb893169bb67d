#pragma once
// The database engine set-up.

// Whether the engine knows the application's alias "ZORVAN" (an upgrade run when it does).
bool IsInstalled();
