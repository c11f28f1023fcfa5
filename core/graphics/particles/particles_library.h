// "particles.lua": the vocabulary every particle script runs with (value metatables, Init/Anim
// statements, spawning helpers, timers), kept in the program as Lua source.
#pragma once

#include <cstddef>

extern const char kParticlesLibrary[];
extern const size_t kParticlesLibrarySize;
