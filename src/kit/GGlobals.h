#pragma once
// Kit-wide display state and start-up. (The colours, pictures and enumerations of the kit join
// this unit with the kit's own forms and controls.)
#include <QString>

enum TAlignment : unsigned char { taLeftJustify, taRightJustify, taCenter };

// The folder of the running executable in Windows terms, with a trailing "\".
extern QString RunFolder;
// Owner-drawn buttons draw through an off-screen buffer when set (the program entry sets it).
extern bool Win10Style;

// Kit start-up and shutdown, once per process (a counter makes repeated calls do nothing).
void KitStartup();
void KitShutdown();
