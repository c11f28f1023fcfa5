// Layout of one axis from the creation keys.
#include "core/windows/window_layout.h"

int32_t ResolveLayoutPosition(int32_t p, int32_t s, int32_t extent, bool alignGiven) {
  // 64-bit sums: script values are arbitrary 32-bit numbers.
  int64_t r = p;
  if (p > kLayoutFarEdge)
    r = (int64_t)p + extent - kLayoutMax;
  else if (p > kLayoutSpecial)
    r = (int64_t)(extent / 2) - s / 2 + ((int64_t)p - kLayoutCenter);
  else if (p < 0 && !alignGiven)
    r = (int64_t)p + extent;
  return (int32_t)r;
}

void ResolveLayoutAxis(int32_t& p, int32_t& s, int32_t extent, uint32_t alignBits, bool alignGiven,
                       bool hasParent) {
  if (p < kLayoutSpecial || p > kLayoutFarEdge) {
    if (alignBits & 1) {
      if (s == 0) return;
      p -= s / 2;
    } else if (alignBits & 2) {
      if (s == 0) return;
      p -= s;
    }
  }
  if (!hasParent) return;
  if (s >= 0 && s <= kLayoutCenter) {
    p = ResolveLayoutPosition(p, s, extent, alignGiven);
  } else if (s > kLayoutCenter && p <= kLayoutSpecial) {
    p = ResolveLayoutPosition(p, s, extent, alignGiven);
    s = (int32_t)((int64_t)extent - p - (kLayoutMax - (int64_t)s));
  } else if (s < 0 && -(int64_t)s <= kLayoutCenter) {
    int32_t m = -s;
    s = m;
    p = ResolveLayoutPosition(p, m, extent, alignGiven) - m;
  } else if (s > kLayoutCenter) {
    // A fill size at a relative position: the window is centred on the offset's double.
    int64_t d = p > kLayoutFarEdge ? (int64_t)p + extent - kLayoutMax : (int64_t)p - kLayoutCenter;
    if (d >= 0) {
      s = (int32_t)((int64_t)s + extent - 2 * d - kLayoutMax);
      p = (int32_t)(2 * d);
    } else {
      s = (int32_t)((int64_t)s + extent + 2 * d - kLayoutMax);
      p = 0;
    }
  } else if (p <= kLayoutSpecial) {
    // A negative size beyond the fill range: kept as the original placed it.
    int32_t r = ResolveLayoutPosition(p, s, extent, alignGiven);
    s = r;
    p = kLayoutMax - r;
  }
}
