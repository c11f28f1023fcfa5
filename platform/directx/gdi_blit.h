// The GDI copies between surface device contexts (GetDC of two surfaces) that the display code
// uses as its fallback when a blit between surfaces fails.
#pragma once

#include "platform/directx/ddraw_types.h"

#ifndef SRCCOPY
#define SRCCOPY 0x00CC0020u
#endif

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop);

namespace dx {
constexpr uint32_t kSurfaceDcTag = 0x44434453;  // "SDCD"
// The surface behind a DC from IDirectDrawSurface7::GetDC, else null.
IDirectDrawSurface7* SurfaceFromDc(HDC dc);
}  // namespace dx
