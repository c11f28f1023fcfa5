// RunGame: the game's body between start-up and teardown. It fills the window script with what
// the game's scripts use (each area's part, the game's constants, the set-up functions and the
// window classes), sets the cursor, starts sound, runs "ui/mainloop.lua" and then owns the event
// loop until the platform quits; afterwards it stops sound and lets the scripts save.
#pragma once

#include "core/base/platform.h"

void RunGame();

// 0, or 1 when the main script could not run or its flow ended in an error (the program's exit
// status).
int GetGameExitStatus();


// The mouse pointer becomes the named picture (found as the game's areas set up) with its hot
// spot; nothing before the platform exists.
void SetGameCursor(const char* name, int hotX, int hotY);
