// Numbers and conversions that the shape filler's files share (mini_vec_draw*.cpp only).
#pragma once

#include <cstdint>

namespace mini_vec_draw {

constexpr int kMaxLayer = 63;
constexpr int kRowLimit = 8192;         // sub-scan-lines each side of the shape's position
constexpr int kQuarterLimit = 4 * 1600;  // quarter pixels each side of it on a coverage line
// Operand bytes of commands 1 ... 8, four bits each: a shift instead of a table load keeps the
// walk from one command to the next short.
constexpr uint64_t kOperandNibbles = 0x38441100;
inline uint32_t Operands(uint8_t op) { return (uint32_t)(kOperandNibbles >> (4 * (op & 15)) & 15); }

inline int Floor(float v) {
  // Clamped so the conversion is defined (NaN, only ever met on an edge about to be dropped,
  // gives the low end); written so that it compiles to min and max without branches.
  v = v > -1e7f ? v : -1e7f;
  v = v < 1e7f ? v : 1e7f;
  int i = (int)v;
  return i - (v < (float)i);
}

inline float Coordinate(const uint8_t* p) { return (int16_t)(p[0] | p[1] << 8) * 0.0078125f; }

// Floor of a value known to lie well inside the int range.
inline int FloorNear(float v) {
  int i = (int)v;
  return i - (v < (float)i);
}

}  // namespace mini_vec_draw
