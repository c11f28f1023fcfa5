// The game's entry and main callback: the display, the sound bridge, "ui/mainloop.lua", then the
// loop that pumps the platform's events to the window manager until quit. The game's own set-up
// (profiles, script library, window classes) grows here.
#pragma once

#include "core/base/platform.h"

// The game's constant settings, stored before the framework starts.
void StoreGameSettings();
// The main callback: takes events until the quit event, then stops sound and lets the scripts
// save.
void GameMain(TPlatform* platform, const char* commandLine);
