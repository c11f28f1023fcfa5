// The engine's lifecycle behind the four exports: start-up on a data folder and a window,
// events by name with numeric values, pause, and shut-down. It owns the library's global
// objects (sound system, output system, player, the reader between them) and the started flag.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/win32/win32.h"

namespace Tarn {

class cTarnDirectSoundSystem;
class cTarnDirectSoundPlayer;

// Does nothing when started. A start-up without an output device leaves the engine not
// started; a later call tries again.
void VexaEngineInit(const char* dataFolder, HWND window);
// "Pause" and "Unpause" stop and resume the output; any other name plays that event, its
// parameters taking the values in the order of their identifiers. The variadic form reads one
// double per parameter; the counted form sets no more parameters than it has values.
void VexaEngineEventV(const char* name, va_list values);
void VexaEngineEvent(const char* name, const double* values, size_t count);
// Plays an event on the sound system whether or not the output is started (benchmarks and
// tools drive the mix themselves); the engine lock is held for the look-up and the play.
void PlayEvent(const char* name, const double* values, size_t count);
// Tears down whatever exists, started or not; packs are unmounted and names forgotten.
void VexaEngineShutdown();

bool VexaEngineStarted();
// The output objects (null unless started), for tests that drive ticks by hand.
cTarnDirectSoundSystem* VexaEngineOutput();
cTarnDirectSoundPlayer* VexaEnginePlayer();

}  // namespace Tarn
