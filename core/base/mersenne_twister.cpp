// MT19937 with the published constants.
#include "core/base/mersenne_twister.h"

namespace {
const int kM = 397;
const uint32_t kMatrixA = 0x9908b0dfu;
const uint32_t kUpperMask = 0x80000000u;
const uint32_t kLowerMask = 0x7fffffffu;
}  // namespace

TMersenneTwister::TMersenneTwister() : mIndex(kN + 1) {
  static const uint32_t kInit[4] = {0xd4c4cf4bu, 0x3e2019a7u, 0xe6489797u, 0x5746fcb5u};
  init_by_array(kInit, 4);
}

void TMersenneTwister::init_genrand(uint32_t seed) {
  mState[0] = seed;
  for (int i = 1; i < kN; ++i)
    mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + (uint32_t)i;
  mIndex = kN;
}

void TMersenneTwister::init_by_array(const uint32_t* key, int length) {
  init_genrand(19650218u);
  if (length <= 0) return;
  int i = 1, j = 0;
  for (int k = kN > length ? kN : length; k; --k) {
    mState[i] = (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1664525u)) + key[j] + (uint32_t)j;
    ++i;
    ++j;
    if (i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
    if (j >= length) j = 0;
  }
  for (int k = kN - 1; k; --k) {
    mState[i] = (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1566083941u)) - (uint32_t)i;
    ++i;
    if (i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
  }
  mState[0] = 0x80000000u;
}

uint32_t TMersenneTwister::genrand_int32() {
  static const uint32_t kMag01[2] = {0u, kMatrixA};
  uint32_t y;
  if (mIndex >= kN) {
    if (mIndex == kN + 1) init_genrand(5489u);
    int k = 0;
    for (; k < kN - kM; ++k) {
      y = (mState[k] & kUpperMask) | (mState[k + 1] & kLowerMask);
      mState[k] = mState[k + kM] ^ (y >> 1) ^ kMag01[y & 1u];
    }
    for (; k < kN - 1; ++k) {
      y = (mState[k] & kUpperMask) | (mState[k + 1] & kLowerMask);
      mState[k] = mState[k + (kM - kN)] ^ (y >> 1) ^ kMag01[y & 1u];
    }
    y = (mState[kN - 1] & kUpperMask) | (mState[0] & kLowerMask);
    mState[kN - 1] = mState[kM - 1] ^ (y >> 1) ^ kMag01[y & 1u];
    mIndex = 0;
  }
  y = mState[mIndex++];
  y ^= (y >> 11);
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  y ^= (y >> 18);
  return y;
}

double TMersenneTwister::genrand_res53() {
  uint32_t a = genrand_int32() >> 5, b = genrand_int32() >> 6;
  return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}
