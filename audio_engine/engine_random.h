// The engine's own random generator with the original platform's rand() range (0..32767),
// seedable in tests; the helpers the nodes use are built on it.
#pragma once

#include <cstdint>

namespace Tarn {

constexpr int kRandMax = 32767;

void SeedRandom(uint32_t seed);
int Random();  // 0..32767
// a + Random() / 32767 * (b - a), in long double.
double RandomInRange(double a, double b);
// Seeds from the clock on first use, then (r << 30) | (r << 15) | r kept to 32 bits.
uint32_t Random32();

}  // namespace Tarn
