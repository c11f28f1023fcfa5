// TPoint: an integer point (pixels), the position carried by input events.
#pragma once

#include <cstdint>

struct TPoint {
  int32_t x = 0, y = 0;

  TPoint() {}
  TPoint(int32_t ax, int32_t ay) : x(ax), y(ay) {}
  bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const TPoint& o) const { return !(*this == o); }
};
