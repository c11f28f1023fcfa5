// The game's entry and main callback. For now the loop only pumps the platform's events to the
// window manager; the game's own set-up (profiles, script library, sound, "ui/mainloop.lua")
// grows here.
#pragma once

#include "core/base/platform.h"

// The game's constant settings, stored before the framework starts.
void StoreGameSettings();
// The main callback: takes events until the quit event.
void GameMain(TPlatform* platform, const char* commandLine);
