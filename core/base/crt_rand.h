// The C library generator of the original platform (range 0..32767), for code written for it.
#pragma once

#include <cstdint>

constexpr int kOrvellaRandMax = 32767;

// Next value in 0..kOrvellaRandMax. The state is per thread and starts as if seeded with 1.
int OrvellaRand();
void OrvellaSrand(uint32_t seed);
