// Pixel formats of surfaces in memory: description from DDPIXELFORMAT and conversion to and from
// 32-bit ARGB (bytes blue, green, red, alpha), the form every drawing path works in.
#pragma once

#include <cstdint>

#include "platform/directx/ddraw_types.h"

namespace dx {

struct FormatInfo {
  int bytes = 4;  // bytes per pixel: 2, 3 or 4
  int bits = 32;
  bool z = false;
  bool palette = false;  // 8-bit palette indices: held and copied, never drawn into
  bool hasAlpha = false;
  bool argb8888 = false;  // exactly 0xFF000000 / 0xFF0000 / 0xFF00 / 0xFF
  bool xrgb8888 = false;  // the same without alpha bits
  uint32_t mask[4] = {0, 0, 0, 0};  // blue, green, red, alpha
  int shift[4] = {0, 0, 0, 0};
  int width[4] = {0, 0, 0, 0};
  uint32_t zMask = 0;
};

// False for formats the stand-in cannot hold (palettes, FourCC, odd depths).
bool Describe(const DDPIXELFORMAT& pf, FormatInfo& out);

DDPIXELFORMAT MakeRgbFormat(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a);
DDPIXELFORMAT MakeZFormat(int bits);
DDPIXELFORMAT Argb8888Format();
DDPIXELFORMAT Xrgb8888Format();
DDPIXELFORMAT Rgb565Format();
DDPIXELFORMAT Xrgb1555Format();
DDPIXELFORMAT Argb1555Format();
DDPIXELFORMAT Argb4444Format();
DDPIXELFORMAT Rgb888Format();

inline uint32_t ReadRaw(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: return (uint32_t)p[0] | ((uint32_t)p[1] << 8);
    case 3: return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
    default: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}
inline void WriteRaw(uint8_t* p, int bytes, uint32_t v) {
  switch (bytes) {
    case 1: p[0] = (uint8_t)v; break;
    case 2: p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); break;
    case 3: p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); break;
    default: std::memcpy(p, &v, 4); break;
  }
}

// Raw pixel to ARGB: narrow channels are widened by repeating their bits, so a conversion back
// gives the raw value again; a format without alpha reads as opaque.
uint32_t ToArgb(const FormatInfo& f, uint32_t raw);
// ARGB to raw: channels are cut to their width (no dithering).
uint32_t FromArgb(const FormatInfo& f, uint32_t argb);
void RowToArgb(const FormatInfo& f, const uint8_t* src, uint32_t* dst, int count);
void RowFromArgb(const FormatInfo& f, const uint32_t* src, uint8_t* dst, int count);

}  // namespace dx
