// TColor: a colour as four floats in 0..1; TColor32: the packed 32-bit ARGB colour.
#pragma once

#include <cstdint>

#include "core/base/saturate.h"

struct TColor {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

  TColor() {}
  TColor(float ar, float ag, float ab, float aa) : r(ar), g(ag), b(ab), a(aa) {}
};

class TColor32 {
 public:
  TColor32() : mValue(0) {}
  explicit TColor32(uint32_t packed) : mValue(packed) {}
  TColor32(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
      : mValue((uint32_t)a << 24 | (uint32_t)r << 16 | (uint32_t)g << 8 | b) {}
  // Each channel times 255, truncated toward zero; callers keep channels in 0..1.
  explicit TColor32(const TColor& c)
      : TColor32(Channel(c.r), Channel(c.g), Channel(c.b), Channel(c.a)) {}

  uint32_t Value() const { return mValue; }
  uint8_t GetA() const { return (uint8_t)(mValue >> 24); }
  uint8_t GetR() const { return (uint8_t)(mValue >> 16); }
  uint8_t GetG() const { return (uint8_t)(mValue >> 8); }
  uint8_t GetB() const { return (uint8_t)mValue; }
  void SetA(uint8_t v) { mValue = (mValue & 0x00FFFFFFu) | (uint32_t)v << 24; }
  void SetR(uint8_t v) { mValue = (mValue & 0xFF00FFFFu) | (uint32_t)v << 16; }
  void SetG(uint8_t v) { mValue = (mValue & 0xFFFF00FFu) | (uint32_t)v << 8; }
  void SetB(uint8_t v) { mValue = (mValue & 0xFFFFFF00u) | v; }
  bool operator==(const TColor32& o) const { return mValue == o.mValue; }

 private:
  // Out-of-range channels wrap to a byte as the original's conversion did, without overflow.
  static uint8_t Channel(float v) { return (uint8_t)(SaturateToInt32((double)v * 255.0) & 0xFF); }

  uint32_t mValue;
};
