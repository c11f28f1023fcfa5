// "ganimationscript": the library every animated sprite's script state runs first (frame
// sequences, delays, fades, loops, chaining to another animation), kept as Lua source.
#pragma once

#include <cstddef>

extern const char kAnimationLibrary[];
extern const size_t kAnimationLibrarySize;
