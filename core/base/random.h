// The program-wide random numbers: the shared MT19937 generator and the start-up seeding helpers.
#pragma once

#include <cstdint>

#include "core/base/mersenne_twister.h"

// The program-wide generator (main thread only).
TMersenneTwister& GetProgramRandom();
void SeedRandom(uint32_t seed);
// lo + floor(genrand_res53() * (hi - lo + 1)), both bounds included.
int RandomInRange(int lo, int hi);

// The C library generator's start-up seed: (now * 8627) mod 104729, in unsigned 32-bit.
uint32_t StartupCrtSeed(uint32_t now);
// One seeding word from the C library generator: rand() * rand() * 8 + (rand() >> 3), drawn in
// that order and computed in unsigned 32-bit so the product wraps instead of overflowing.
uint32_t CrtSeedWord();
// Seeds a generator by init_by_array over four CrtSeedWord() values.
void SeedFromCrtRand(TMersenneTwister& generator);
