// GDI copies between surface device contexts: clipped to both surfaces, nearest-pixel stretch,
// any pair of colour formats.
#include "platform/directx/gdi_blit.h"

#include <algorithm>
#include <vector>

#include "platform/directx/ddraw.h"

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, int sourceWidth,
                int sourceHeight, DWORD rop) {
  IDirectDrawSurface7* d = dx::SurfaceFromDc(dest);
  IDirectDrawSurface7* s = dx::SurfaceFromDc(source);
  if (!d || !s || rop != SRCCOPY) return FALSE;
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return width == 0 || height == 0;
  const auto& df = d->Format();
  const auto& sf = s->Format();
  std::vector<uint8_t> copy;
  const uint8_t* sp0 = s->Pixels();
  if (d == s) {
    copy.assign(s->Pixels(), s->Pixels() + s->MemoryBytes());
    sp0 = copy.data();
  }
  for (int j = 0; j < height; ++j) {
    int dy = y + j;
    if (dy < 0 || dy >= (int)d->Height()) continue;
    int sy = sourceY + (int)(((int64_t)(2 * j + 1) * sourceHeight) / (2 * height));
    if (sy < 0 || sy >= (int)s->Height()) continue;
    const uint8_t* srow = sp0 + (size_t)sy * s->Pitch();
    uint8_t* drow = d->Pixels() + (size_t)dy * d->Pitch();
    for (int i = 0; i < width; ++i) {
      int dx_ = x + i;
      if (dx_ < 0 || dx_ >= (int)d->Width()) continue;
      int sx = sourceX + (int)(((int64_t)(2 * i + 1) * sourceWidth) / (2 * width));
      if (sx < 0 || sx >= (int)s->Width()) continue;
      uint32_t argb = dx::ToArgb(sf, dx::ReadRaw(srow + (size_t)sx * sf.bytes, sf.bytes));
      dx::WriteRaw(drow + (size_t)dx_ * df.bytes, df.bytes, dx::FromArgb(df, argb));
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}
