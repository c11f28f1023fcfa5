// Pixel format description and conversions for the surface formats the display meets.
#include "platform/directx/pixel_format.h"

namespace dx {
namespace {

int LowBit(uint32_t m) {
  if (!m) return 0;
  int s = 0;
  while (!(m & 1u)) { m >>= 1; ++s; }
  return s;
}
int BitCount(uint32_t m) {
  int n = 0;
  while (m) { n += (int)(m & 1u); m >>= 1; }
  return n;
}
bool Contiguous(uint32_t m) {
  if (!m) return true;
  uint32_t v = m >> LowBit(m);
  return (v & (v + 1)) == 0;
}

// Widens an n-bit channel value to 8 bits by repeating its bits.
inline uint32_t Widen(uint32_t v, int n) {
  if (n >= 8) return v >> (n - 8);
  if (n <= 0) return 0;
  uint32_t out = 0;
  int filled = 0;
  while (filled < 8) {
    out = (out << n) | v;
    filled += n;
  }
  return out >> (filled - 8);
}

}  // namespace

bool Describe(const DDPIXELFORMAT& pf, FormatInfo& out) {
  out = FormatInfo{};
  if (pf.dwFlags & DDPF_ZBUFFER) {
    int bits = (int)pf.dwZBufferBitDepth;
    if (bits != 16 && bits != 24 && bits != 32) return false;
    out.z = true;
    out.bits = bits;
    out.bytes = bits == 16 ? 2 : 4;
    out.zMask = pf.dwZBitMask ? pf.dwZBitMask : (bits == 16 ? 0xFFFFu : bits == 24 ? 0xFFFFFFu : 0xFFFFFFFFu);
    return true;
  }
  if ((pf.dwFlags & DDPF_PALETTEINDEXED8) && pf.dwRGBBitCount == 8) {
    out.palette = true;
    out.bits = 8;
    out.bytes = 1;
    return true;
  }
  if (!(pf.dwFlags & DDPF_RGB) || (pf.dwFlags & (DDPF_FOURCC | DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXED4)))
    return false;
  int bits = (int)pf.dwRGBBitCount;
  if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return false;
  out.bits = bits;
  out.bytes = bits == 15 ? 2 : bits / 8;
  uint32_t masks[4] = {pf.dwBBitMask, pf.dwGBitMask, pf.dwRBitMask,
                       (pf.dwFlags & DDPF_ALPHAPIXELS) ? pf.dwRGBAlphaBitMask : 0u};
  uint64_t limit = out.bytes == 4 ? 0xFFFFFFFFull : ((1ull << (out.bytes * 8)) - 1);
  uint32_t seen = 0;
  for (int i = 0; i < 4; ++i) {
    if ((uint64_t)masks[i] > limit || !Contiguous(masks[i]) || (seen & masks[i])) return false;
    if (i < 3 && !masks[i]) return false;
    seen |= masks[i];
    out.mask[i] = masks[i];
    out.shift[i] = LowBit(masks[i]);
    out.width[i] = BitCount(masks[i]);
    if (out.width[i] > 8) return false;
  }
  out.hasAlpha = masks[3] != 0;
  out.argb8888 = out.bytes == 4 && masks[0] == 0xFFu && masks[1] == 0xFF00u && masks[2] == 0xFF0000u &&
                 masks[3] == 0xFF000000u;
  out.xrgb8888 = out.bytes == 4 && masks[0] == 0xFFu && masks[1] == 0xFF00u && masks[2] == 0xFF0000u &&
                 masks[3] == 0;
  return true;
}

DDPIXELFORMAT MakeRgbFormat(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof(pf);
  pf.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0u);
  pf.dwRGBBitCount = (DWORD)bits;
  pf.dwRBitMask = r;
  pf.dwGBitMask = g;
  pf.dwBBitMask = b;
  pf.dwRGBAlphaBitMask = a;
  return pf;
}
DDPIXELFORMAT MakeZFormat(int bits) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof(pf);
  pf.dwFlags = DDPF_ZBUFFER;
  pf.dwZBufferBitDepth = (DWORD)bits;
  pf.dwZBitMask = bits == 16 ? 0xFFFFu : bits == 24 ? 0xFFFFFFu : 0xFFFFFFFFu;
  return pf;
}
DDPIXELFORMAT Argb8888Format() { return MakeRgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u); }
DDPIXELFORMAT Xrgb8888Format() { return MakeRgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0); }
DDPIXELFORMAT Rgb565Format() { return MakeRgbFormat(16, 0xF800, 0x7E0, 0x1F, 0); }
DDPIXELFORMAT Xrgb1555Format() { return MakeRgbFormat(16, 0x7C00, 0x3E0, 0x1F, 0); }
DDPIXELFORMAT Argb1555Format() { return MakeRgbFormat(16, 0x7C00, 0x3E0, 0x1F, 0x8000); }
DDPIXELFORMAT Argb4444Format() { return MakeRgbFormat(16, 0xF00, 0xF0, 0xF, 0xF000); }
DDPIXELFORMAT Rgb888Format() { return MakeRgbFormat(24, 0xFF0000, 0xFF00, 0xFF, 0); }

uint32_t ToArgb(const FormatInfo& f, uint32_t raw) {
  if (f.palette) return 0xFF000000u | (raw & 0xFF) * 0x010101u;  // no palette is kept: indices read as grey
  if (f.argb8888) return raw;
  if (f.xrgb8888) return raw | 0xFF000000u;
  uint32_t out = 0;
  for (int i = 0; i < 3; ++i) out |= Widen((raw & f.mask[i]) >> f.shift[i], f.width[i]) << (8 * i);
  out |= (f.hasAlpha ? Widen((raw & f.mask[3]) >> f.shift[3], f.width[3]) : 0xFFu) << 24;
  return out;
}

uint32_t FromArgb(const FormatInfo& f, uint32_t argb) {
  if (f.palette) return (argb >> 8) & 0xFF;
  if (f.argb8888) return argb;
  if (f.xrgb8888) return argb & 0xFFFFFFu;
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    if (!f.mask[i]) continue;
    uint32_t c = (argb >> (8 * i)) & 0xFFu;
    out |= ((c >> (8 - f.width[i])) << f.shift[i]) & f.mask[i];
  }
  return out;
}

void RowToArgb(const FormatInfo& f, const uint8_t* src, uint32_t* dst, int count) {
  if (f.argb8888) {
    std::memcpy(dst, src, (size_t)count * 4);
    return;
  }
  if (f.xrgb8888) {
    for (int i = 0; i < count; ++i) {
      uint32_t v;
      std::memcpy(&v, src + 4 * i, 4);
      dst[i] = v | 0xFF000000u;
    }
    return;
  }
  for (int i = 0; i < count; ++i) dst[i] = ToArgb(f, ReadRaw(src + f.bytes * i, f.bytes));
}

void RowFromArgb(const FormatInfo& f, const uint32_t* src, uint8_t* dst, int count) {
  if (f.argb8888) {
    std::memcpy(dst, src, (size_t)count * 4);
    return;
  }
  for (int i = 0; i < count; ++i) WriteRaw(dst + f.bytes * i, f.bytes, FromArgb(f, src[i]));
}

}  // namespace dx
