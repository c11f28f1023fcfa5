// A linear congruential generator of the original C library's shape, so sequences drawn with
// rand() semantics keep their range and spacing on every host.
#include "core/base/crt_rand.h"

namespace {
// Per thread, as that C library kept it.
thread_local uint32_t tState = 1;
}

int OrvellaRand() {
  tState = tState * 214013u + 2531011u;
  return (int)((tState >> 16) & 0x7FFF);
}

void OrvellaSrand(uint32_t seed) { tState = seed; }
