// GDI32 bitmaps and USER32 icons: DIB sections, monochrome bitmaps and icons or cursors made
// from them, with real pixels (a cursor made here shows as the SDL window's cursor once
// SetCursor selects it). Included by win32.h.
#pragma once

typedef struct HBITMAP__* HBITMAP;
typedef void* HGDIOBJ;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: top-down rows
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct CIEXYZ {
  LONG ciexyzX, ciexyzY, ciexyzZ;
};
struct CIEXYZTRIPLE {
  CIEXYZ ciexyzRed, ciexyzGreen, ciexyzBlue;
};

// The header that carries the four channel masks of a 32-bit bit-field bitmap.
struct BITMAPV5HEADER {
  DWORD bV5Size;
  LONG bV5Width;
  LONG bV5Height;
  WORD bV5Planes;
  WORD bV5BitCount;
  DWORD bV5Compression;
  DWORD bV5SizeImage;
  LONG bV5XPelsPerMeter;
  LONG bV5YPelsPerMeter;
  DWORD bV5ClrUsed;
  DWORD bV5ClrImportant;
  DWORD bV5RedMask;
  DWORD bV5GreenMask;
  DWORD bV5BlueMask;
  DWORD bV5AlphaMask;
  DWORD bV5CSType;
  CIEXYZTRIPLE bV5Endpoints;
  DWORD bV5GammaRed;
  DWORD bV5GammaGreen;
  DWORD bV5GammaBlue;
  DWORD bV5Intent;
  DWORD bV5ProfileData;
  DWORD bV5ProfileSize;
  DWORD bV5Reserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct ICONINFO {
  BOOL fIcon;  // FALSE: a cursor with the hot spot below
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
typedef ICONINFO* PICONINFO;

#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define LCS_WINDOWS_COLOR_SPACE 0x57696E20

// A DIB section of 32 (BI_RGB or BI_BITFIELDS with the masks of a BITMAPV5HEADER) or 24 bits;
// `bits` receives its memory, rows top-down for a negative height.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// A bitmap of 1 or 32 bits per pixel (rows padded to 16 bits as GDI does; bits may be null).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
BOOL DeleteObject(HGDIOBJ object);
// Copies the images: the colour bitmap's pixels (with alpha when it has an alpha mask) and the
// monochrome mask. Both bitmaps stay the caller's.
HICON CreateIconIndirect(PICONINFO info);
BOOL DestroyIcon(HICON icon);

// Rectangle helpers (USER32).
BOOL IntersectRect(LPRECT out, const RECT* a, const RECT* b);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
