// TMersenneTwister: the MT19937 generator with its published seeding and output routines.
#pragma once

#include <cstdint>

class TMersenneTwister {
 public:
  // Seeded at once with fixed words, so every unseeded generator yields the same sequence.
  TMersenneTwister();

  void init_genrand(uint32_t seed);
  void init_by_array(const uint32_t* key, int length);
  uint32_t genrand_int32();
  // A double in [0, 1) with 53-bit resolution.
  double genrand_res53();

 private:
  static const int kN = 624;
  uint32_t mState[kN];
  int mIndex;  // kN + 1: never seeded
};
