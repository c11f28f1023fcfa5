// The built-in arrow: a polygon filled where a pixel's centre lies inside it, then grown by one
// pixel for the outline, so it reads on dark and light screens alike.
#include "core/graphics/directx/system_cursor.h"

#include <cmath>
#include <vector>

#include "core/base/memory_file.h"
#include "core/graphics/images/png_image.h"
#include "core/graphics/texture.h"

const char kSystemCursorName[] = "__systemcursor__.png";

namespace {

constexpr uint32_t kCocoa = 0xFF3B2314u;
constexpr uint32_t kMilk = 0xFFFFFAF0u;
constexpr uint32_t kKey = 0xFFFF00FFu;

struct TPointF {
  float x, y;
};

// The tip sits just above pixel (2, 2), so that pixel is the first one filled.
const TPointF kArrow[] = {{2.0f, 1.5f}, {2.0f, 22.0f}, {7.0f, 17.5f}, {10.5f, 25.5f},
                          {13.5f, 24.2f}, {10.2f, 16.8f}, {16.5f, 16.8f}};

bool InsideArrow(float x, float y) {
  bool inside = false;
  size_t n = sizeof kArrow / sizeof kArrow[0];
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    const TPointF& a = kArrow[i];
    const TPointF& b = kArrow[j];
    if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
  }
  return inside;
}

}  // namespace

void DrawSystemCursor(uint32_t* argb) {
  const int n = kSystemCursorSize;
  std::vector<bool> fill((size_t)n * n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) fill[(size_t)y * n + x] = InsideArrow(x + 0.5f, y + 0.5f);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < n && ny < n && fill[(size_t)ny * n + nx]) near = true;
        }
      argb[(size_t)y * n + x] = fill[(size_t)y * n + x] ? kCocoa : near ? kMilk : kKey;
    }
}

std::shared_ptr<TTexture> GetSystemCursor() {
  static const std::vector<uint8_t> png = [] {
    std::vector<uint32_t> pixels((size_t)kSystemCursorSize * kSystemCursorSize);
    DrawSystemCursor(pixels.data());
    return EncodePng(pixels.data(), kSystemCursorSize, kSystemCursorSize);
  }();
  // The file map keeps only the address, of bytes that live as long as the program; entered
  // at every call, since a new file map would not know the name.
  RegisterMemoryFile(kSystemCursorName, png.data(), (uint32_t)png.size());
  return TTexture::GetSimple(kSystemCursorName);
}
