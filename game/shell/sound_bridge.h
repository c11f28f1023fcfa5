// The sound bridge: the one place the game talks to the audio engine library. It starts and
// stops the engine and turns the game's named sound events into engine events, except the few
// sounds the framework plays itself ("ui_click" and the firework sounds). Main thread only.
#pragma once

#include "core/base/str.h"

// Starts the engine on "assets/vexa" under the working folder with the main window (the
// setting "hwnd"), then gives the window script the function SoundEvent(name).
void SoundInit();
// Removes SoundEvent from the window script, then stops the engine.
void SoundShutdown();
// Plays one named sound event (the match on the framework's names is case-sensitive).
void SoundEvent(TStr name);

// The engine's exports as the bridge calls them; tests record the calls instead.
struct TSoundEngineCalls {
  void (*init)(const char* dataFolder, void* window);
  void (*event)(const char* name, ...);
  void (*shutdown)();
};
// Replaces the calls (null members keep the library's own); returns the previous ones.
TSoundEngineCalls SetSoundEngineCalls(const TSoundEngineCalls& calls);
