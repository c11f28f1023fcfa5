// TRect: an integer rectangle (left, top, right, bottom), right and bottom exclusive.
#pragma once

#include <algorithm>
#include <cstdint>

struct TRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  TRect() {}
  TRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  // Nothing inside: a width or height of zero or less.
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }

  // Larger left and top, smaller right and bottom; the result may come out empty (or inverted).
  TRect Intersect(const TRect& o) const {
    return TRect(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom));
  }
  // Smaller left and top, larger right and bottom.
  TRect Union(const TRect& o) const {
    return TRect(std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom));
  }
  void Offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }

  bool operator==(const TRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};
