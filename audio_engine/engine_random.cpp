// A linear congruential generator with the classic 15-bit output.
#include "audio_engine/engine_random.h"

#include "platform/win32/win32.h"

namespace Tarn {

namespace {
uint32_t gState = 1;  // guarded by the engine lock
bool gSeeded = false;
}  // namespace

void SeedRandom(uint32_t seed) {
  gState = seed;
  gSeeded = true;
}

int Random() {
  gState = gState * 214013u + 2531011u;
  return (int)((gState >> 16) & 0x7FFF);
}

double RandomInRange(double a, double b) {
  long double r = (long double)Random() / (long double)kRandMax;
  return (double)((long double)a + r * ((long double)b - (long double)a));
}

uint32_t Random32() {
  if (!gSeeded) SeedRandom(timeGetTime());
  uint32_t a = (uint32_t)Random(), b = (uint32_t)Random(), c = (uint32_t)Random();
  return (a << 30) | (b << 15) | c;
}

}  // namespace Tarn
