// The game's entry steps: the identity settings stored before the framework starts, the
// session-reporting plan declared to the game-state store, and the main callback that the
// framework runner calls (render options, title, profiles, display mode, the game's text entry,
// then RunGame).
#pragma once

#include "core/base/platform.h"

// The game's constant settings, stored before any framework object exists.
void StoreGameSettings();
// Declares to the game-state store what its handlers report of a session.
void SetupSessionReporting();
// The main callback: returns when the game's loop has ended and the scripts have saved.
void GameMain(TPlatform* platform, const char* commandLine);
