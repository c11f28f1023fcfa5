// Double-to-integer conversions for values from data and scripts: saturating, NaN gives 0.
#pragma once

#include <cmath>
#include <cstdint>

inline int32_t SaturateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return (int32_t)v;
}

inline uint32_t SaturateToUInt32(double v) {
  if (std::isnan(v) || v <= 0.0) return 0;
  if (v >= 4294967295.0) return UINT32_MAX;
  return (uint32_t)v;
}
