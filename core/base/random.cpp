// The program-wide generator and the seeding arithmetic of start-up.
#include "core/base/random.h"

#include <cmath>

#include "core/base/crt_rand.h"

TMersenneTwister& GetProgramRandom() {
  // Built on first use, which is before any caller can observe it.
  static TMersenneTwister generator;
  return generator;
}

void SeedRandom(uint32_t seed) { GetProgramRandom().init_genrand(seed); }

int RandomInRange(int lo, int hi) {
  double span = (double)hi - (double)lo + 1.0;
  return (int)((int64_t)lo + (int64_t)std::floor(GetProgramRandom().genrand_res53() * span));
}

uint32_t StartupCrtSeed(uint32_t now) { return (now * 8627u) % 104729u; }

uint32_t CrtSeedWord() {
  uint32_t a = (uint32_t)OrvellaRand();
  uint32_t b = (uint32_t)OrvellaRand();
  uint32_t c = (uint32_t)OrvellaRand();
  return a * b * 8u + (c >> 3);
}

void SeedFromCrtRand(TMersenneTwister& generator) {
  uint32_t words[4];
  for (uint32_t& w : words) w = CrtSeedWord();
  generator.init_by_array(words, 4);
}
