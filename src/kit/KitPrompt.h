#pragma once
// The program's answer to the prompt interface: the kit's message dialog, or the platform's plain
// message box for a plain prompt.

// Makes the kit answer every prompt from now on.
void InstallKitPrompts();
