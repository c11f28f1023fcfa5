// Bitmaps and icons with real pixels. Bitmaps keep their memory until DeleteObject; an icon
// keeps its own ARGB copy (Windows copies the bitmaps too), and becomes an SDL colour cursor the
// first time SetCursor shows it on the SDL thread.
#include <SDL.h>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/test_control.h"
#include "platform/win32/user_internal.h"

namespace win32 {
namespace {

struct Bitmap {
  int width = 0, height = 0, bitsPerPixel = 0;
  bool topDown = false;
  size_t stride = 0;
  std::vector<uint8_t> bits;
};

struct Icon {
  std::vector<uint32_t> argb;
  int width = 0, height = 0, hotX = 0, hotY = 0;
  bool isIcon = false;
  SDL_Cursor* cursor = nullptr;  // made and freed on the SDL thread
};

struct GdiTable {
  std::mutex mutex;  // guards every field
  std::map<uintptr_t, Bitmap> bitmaps;
  std::map<uintptr_t, Icon> icons;
  uintptr_t nextBitmap = 0x4000010;
  uintptr_t nextIcon = 0x3000010;
  HCURSOR shown = nullptr;  // what SDL shows now
  bool screenSet = false;
  int screenWidth = 0, screenHeight = 0, screenColours = -1, screenBits = 32;
};

GdiTable& G() {
  static auto* table = new GdiTable;
  return *table;
}

// Row `y` counted from the top of the image.
const uint8_t* Row(const Bitmap& b, int y) {
  int stored = b.topDown ? y : b.height - 1 - y;
  return b.bits.data() + (size_t)stored * b.stride;
}

uint32_t ReadArgb(const Bitmap& b, int x, int y) {
  const uint8_t* p = Row(b, y);
  if (b.bitsPerPixel == 32) {
    uint32_t v;
    std::memcpy(&v, p + (size_t)x * 4, 4);
    return v;
  }
  if (b.bitsPerPixel == 24) {
    const uint8_t* q = p + (size_t)x * 3;
    return 0xFF000000u | (uint32_t)q[2] << 16 | (uint32_t)q[1] << 8 | q[0];
  }
  bool set = (p[x / 8] >> (7 - x % 8)) & 1;
  return set ? 0xFFFFFFFFu : 0xFF000000u;
}

bool MaskBit(const Bitmap& mask, int x, int y) { return (Row(mask, y)[x / 8] >> (7 - x % 8)) & 1; }

void FreeSdlCursor(Icon& icon) {
  if (!icon.cursor) return;
  if (IsSdlThread()) SDL_FreeCursor(icon.cursor);
  icon.cursor = nullptr;  // off the SDL thread the cursor is left to SDL's own clean-up
}

}  // namespace

bool TestScreenMetrics(int* width, int* height, int* colours, int* bitsPerPixel) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  if (!g.screenSet) return false;
  *width = g.screenWidth;
  *height = g.screenHeight;
  *colours = g.screenColours;
  *bitsPerPixel = g.screenBits;
  return true;
}

void SdlShowCursorImage(HCURSOR cursor) {
  if (!IsSdlThread()) return;
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.shown = cursor;
  if (!cursor) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  auto it = g.icons.find((uintptr_t)cursor);
  if (it == g.icons.end()) {
    // A loaded system cursor: the system's own arrow.
    if (SDL_Cursor* standard = SDL_GetDefaultCursor()) SDL_SetCursor(standard);
    SDL_ShowCursor(SDL_ENABLE);
    return;
  }
  Icon& icon = it->second;
  if (!icon.cursor) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.argb.data(), icon.width, icon.height, 32,
                                                        icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (s) {
      icon.cursor = SDL_CreateColorCursor(s, icon.hotX, icon.hotY);
      SDL_FreeSurface(s);
    }
  }
  if (icon.cursor) SDL_SetCursor(icon.cursor);
  SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace win32

using namespace win32;

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  bool v5 = h.biSize >= sizeof(BITMAPV5HEADER);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 16384 ||
      h.biHeight > 16384 || h.biHeight < -16384 || (h.biBitCount != 32 && h.biBitCount != 24)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Bitmap b;
  b.width = h.biWidth;
  b.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  b.topDown = h.biHeight < 0;
  b.bitsPerPixel = h.biBitCount;
  if (h.biCompression == BI_BITFIELDS) {
    // Only the layout every caller here uses: bytes blue, green, red (and alpha).
    const auto* v = reinterpret_cast<const BITMAPV5HEADER*>(info);
    if (h.biBitCount != 32 || !v5 || v->bV5RedMask != 0xFF0000u || v->bV5GreenMask != 0xFF00u ||
        v->bV5BlueMask != 0xFFu) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  } else if (h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  b.stride = ((size_t)b.width * b.bitsPerPixel / 8 + 3) & ~(size_t)3;
  b.bits.assign(b.stride * (size_t)b.height, 0);
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  uintptr_t handle = g.nextBitmap++;
  Bitmap& stored = g.bitmaps[handle] = std::move(b);
  if (bits) *bits = stored.bits.data();
  return (HBITMAP)handle;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || planes != 1 ||
      (bitsPerPixel != 1 && bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Bitmap b;
  b.width = width;
  b.height = height;
  b.topDown = true;
  b.bitsPerPixel = (int)bitsPerPixel;
  b.stride = bitsPerPixel == 1 ? (size_t)(width + 15) / 16 * 2 : (size_t)width * 4;
  b.bits.assign(b.stride * (size_t)height, 0);
  if (bits) std::memcpy(b.bits.data(), bits, b.bits.size());
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  uintptr_t handle = g.nextBitmap++;
  g.bitmaps[handle] = std::move(b);
  return (HBITMAP)handle;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  if (!g.bitmaps.erase((uintptr_t)object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HICON CreateIconIndirect(PICONINFO info) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto colour = g.bitmaps.find((uintptr_t)info->hbmColor);
  auto mask = g.bitmaps.find((uintptr_t)info->hbmMask);
  // Monochrome icons (a double-height mask alone) are not made by this program.
  if (colour == g.bitmaps.end() || mask == g.bitmaps.end() || mask->second.bitsPerPixel != 1 ||
      mask->second.width < colour->second.width || mask->second.height < colour->second.height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const Bitmap& c = colour->second;
  Icon icon;
  icon.width = c.width;
  icon.height = c.height;
  icon.isIcon = info->fIcon != 0;
  icon.hotX = icon.isIcon ? c.width / 2 : (int)info->xHotspot;
  icon.hotY = icon.isIcon ? c.height / 2 : (int)info->yHotspot;
  icon.argb.resize((size_t)c.width * c.height);
  // A 32-bit colour bitmap whose alpha is not all zero carries its own alpha; otherwise the
  // mask decides (a set bit is transparent).
  bool ownAlpha = false;
  if (c.bitsPerPixel == 32)
    for (int y = 0; y < c.height && !ownAlpha; ++y)
      for (int x = 0; x < c.width; ++x)
        if (ReadArgb(c, x, y) >> 24) {
          ownAlpha = true;
          break;
        }
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      uint32_t p = ReadArgb(c, x, y);
      if (!ownAlpha) p = (p & 0x00FFFFFFu) | (MaskBit(mask->second, x, y) ? 0u : 0xFF000000u);
      icon.argb[(size_t)y * c.width + x] = p;
    }
  uintptr_t handle = g.nextIcon++;
  g.icons[handle] = std::move(icon);
  return (HICON)handle;
}

BOOL DestroyIcon(HICON icon) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  auto it = g.icons.find((uintptr_t)icon);
  if (it == g.icons.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (g.shown == icon && IsSdlThread()) {
    if (SDL_Cursor* standard = SDL_GetDefaultCursor()) SDL_SetCursor(standard);
    g.shown = nullptr;
  }
  FreeSdlCursor(it->second);
  g.icons.erase(it);
  return TRUE;
}

BOOL IntersectRect(LPRECT out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{a->left > b->left ? a->left : b->left, a->top > b->top ? a->top : b->top,
         a->right < b->right ? a->right : b->right, a->bottom < b->bottom ? a->bottom : b->bottom};
  if (r.left >= r.right || r.top >= r.bottom) {
    *out = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *out = r;
  return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

namespace TestControl {

void SetScreenMetrics(int width, int height, int colours, int bitsPerPixel) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.screenSet = true;
  g.screenWidth = width;
  g.screenHeight = height;
  g.screenColours = colours;
  g.screenBits = bitsPerPixel;
}

void ClearScreenMetrics() {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.screenSet = false;
}

bool GetIconImage(HICON handle, IconImage& image) {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  auto it = g.icons.find((uintptr_t)handle);
  if (it == g.icons.end()) return false;
  const Icon& icon = it->second;
  image.argb = icon.argb;
  image.width = icon.width;
  image.height = icon.height;
  image.hotX = icon.hotX;
  image.hotY = icon.hotY;
  image.isIcon = icon.isIcon;
  return true;
}

int LiveIconCount() {
  auto& g = G();
  std::lock_guard<std::mutex> lock(g.mutex);
  return (int)g.icons.size();
}

}  // namespace TestControl
