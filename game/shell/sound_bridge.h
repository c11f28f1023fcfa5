// The sound bridge: the one place the game talks to the audio engine library. It starts and
// stops the engine, turns the game's named sound events into engine events (except the few
// sounds the framework plays itself: "ui_click" and the firework sounds), sets the three volume
// levels on both, and pauses all sound for the factories' pause screens and while the
// application is inactive. Main thread only.
#pragma once

#include "core/base/str.h"

// Starts the engine on "assets/vexa" under the working folder with the main window (the
// setting "hwnd"), then gives the window script the function SoundEvent(name).
void SoundInit();
// Removes SoundEvent from the window script, then stops the engine.
void SoundShutdown();
// Plays one named sound event (the match on the framework's names is case-sensitive).
void SoundEvent(TStr name);

// Levels from 0 (silent) to 1; values outside are taken as the nearer end.
void SetMusicVolume(float level);
void SetSfxVolume(float level);
void SetEnvironmentsVolume(float level);
// On: the framework's master volume and the engine's three levels to 0. Off: the master volume
// back to 1, then the current user's levels (UserManager::ApplyVolumes).
void SetSoundOff(bool off);
// The factories' pause screens: one "Pause" and one "Unpause", whatever the repeats.
void PauseSounds();
void ResumeSounds();
// Activation changes; nothing while a pause screen has paused the sound.
void PauseSoundsInactive();
void ResumeSoundsActive();

// The engine's exports as the bridge calls them; tests record the calls instead.
struct TSoundEngineCalls {
  void (*init)(const char* dataFolder, void* window);
  void (*event)(const char* name, ...);
  void (*shutdown)();
};
// Replaces the calls (null members keep the library's own); returns the previous ones.
TSoundEngineCalls SetSoundEngineCalls(const TSoundEngineCalls& calls);
