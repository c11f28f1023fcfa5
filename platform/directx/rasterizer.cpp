// Software rasteriser. Triangles are walked row by row with exact integer edge tests (24.8 fixed
// point, top-left rule), so shared edges never leave gaps or double pixels. Each span runs through
// the pixel stages in chunks of 64: texture fetch, stage combine, specular, alpha test, z test,
// blend and write. Chunks test for cheap cases (texture inside its edges, one texel per pixel,
// constant colour, opaque 32-bit targets) and take straight loops for them.
#include "platform/directx/rasterizer.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/directx/d3d_types.h"
#include "platform/directx/rasterizer_rows.h"

namespace dx {
namespace {

constexpr int kChunk = 64;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

inline uint32_t Mul8(uint32_t a, uint32_t b) {
  uint32_t m = a * b + 128;
  return (m + (m >> 8)) >> 8;
}

inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
  uint32_t g = 256 - f;
  uint32_t rb = ((((a & 0xFF00FFu) * g) + ((b & 0xFF00FFu) * f)) >> 8) & 0xFF00FFu;
  uint32_t ag = (((((a >> 8) & 0xFF00FFu) * g) + (((b >> 8) & 0xFF00FFu) * f)) >> 8) & 0xFF00FFu;
  return rb | (ag << 8);
}

inline uint32_t Bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, uint32_t fx, uint32_t fy) {
  return Lerp(Lerp(t00, t01, fx), Lerp(t10, t11, fx), fy);
}

inline int Address(int x, int size, DWORD mode) {
  if (x >= 0 && x < size) return x;
  switch (mode) {
    case D3DTADDRESS_WRAP: {
      if ((size & (size - 1)) == 0) return x & (size - 1);
      int m = x % size;
      return m < 0 ? m + size : m;
    }
    case D3DTADDRESS_MIRROR: {
      int p = 2 * size;
      int m = x % p;
      if (m < 0) m += p;
      return m >= size ? p - 1 - m : m;
    }
    default: return x < 0 ? 0 : size - 1;
  }
}

inline uint32_t ClampByte(int v) { return (uint32_t)(v < 0 ? 0 : v > 255 ? 255 : v); }

inline uint32_t Modulate(uint32_t a, uint32_t b) {
  return Mul8(a & 0xFF, b & 0xFF) | (Mul8((a >> 8) & 0xFF, (b >> 8) & 0xFF) << 8) |
         (Mul8((a >> 16) & 0xFF, (b >> 16) & 0xFF) << 16) | (Mul8(a >> 24, b >> 24) << 24);
}

inline bool Compare(DWORD func, uint32_t a, uint32_t b) {
  switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return a < b;
    case D3DCMP_EQUAL: return a == b;
    case D3DCMP_LESSEQUAL: return a <= b;
    case D3DCMP_GREATER: return a > b;
    case D3DCMP_NOTEQUAL: return a != b;
    case D3DCMP_GREATEREQUAL: return a >= b;
    default: return true;
  }
}

// One channel of a texture stage operation.
inline uint32_t StageOp(DWORD op, uint32_t a1, uint32_t a2, uint32_t blendAlpha) {
  switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return Mul8(a1, a2);
    case D3DTOP_MODULATE2X: return std::min(255u, 2 * Mul8(a1, a2));
    case D3DTOP_MODULATE4X: return std::min(255u, 4 * Mul8(a1, a2));
    case D3DTOP_ADD: return std::min(255u, a1 + a2);
    case D3DTOP_ADDSIGNED: return ClampByte((int)a1 + (int)a2 - 128);
    case D3DTOP_SUBTRACT: return a1 > a2 ? a1 - a2 : 0;
    case D3DTOP_BLENDDIFFUSEALPHA:
    case D3DTOP_BLENDTEXTUREALPHA: return Mul8(a1, blendAlpha) + Mul8(a2, 255 - blendAlpha);
    default: return a1;
  }
}

inline uint32_t StageArg(DWORD arg, uint32_t tex, uint32_t cur, uint32_t dif, uint32_t spec, uint32_t tf) {
  uint32_t v;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: v = dif; break;
    case D3DTA_CURRENT: v = cur; break;
    case D3DTA_TEXTURE: v = tex; break;
    case D3DTA_TFACTOR: v = tf; break;
    case D3DTA_SPECULAR: v = spec; break;
    default: v = 0xFFFFFFFFu; break;
  }
  if (arg & D3DTA_COMPLEMENT) v = ~v;
  if (arg & D3DTA_ALPHAREPLICATE) v = (v >> 24) * 0x01010101u;
  return v;
}

inline uint32_t BlendFactor(DWORD f, int ch, uint32_t s, uint32_t d) {
  uint32_t sa = s >> 24, da = d >> 24;
  uint32_t sc = (s >> (8 * ch)) & 0xFF, dc = (d >> (8 * ch)) & 0xFF;
  switch (f) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 255;
    case D3DBLEND_SRCCOLOR: return sc;
    case D3DBLEND_INVSRCCOLOR: return 255 - sc;
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return 255 - sa;
    case D3DBLEND_DESTALPHA: return da;
    case D3DBLEND_INVDESTALPHA: return 255 - da;
    case D3DBLEND_DESTCOLOR: return dc;
    case D3DBLEND_INVDESTCOLOR: return 255 - dc;
    case D3DBLEND_SRCALPHASAT: return ch == 3 ? 255 : std::min(sa, 255 - da);
    default: return 255;
  }
}

inline uint32_t BlendGeneric(DWORD sf, DWORD df, uint32_t s, uint32_t d) {
  uint32_t out = 0;
  for (int ch = 0; ch < 4; ++ch) {
    uint32_t sc = (s >> (8 * ch)) & 0xFF, dc = (d >> (8 * ch)) & 0xFF;
    uint32_t v = Mul8(sc, BlendFactor(sf, ch, s, d)) + Mul8(dc, BlendFactor(df, ch, s, d));
    out |= std::min(v, 255u) << (8 * ch);
  }
  return out;
}

// Rounded x / 255 on 16-bit lanes holding x + 128.
inline __m128i Div255(__m128i t) { return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8); }

inline __m128i AlphaLanes(__m128i p16) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p16, 0xFF), 0xFF);
}

// out = (s * a + d * (255 - a)) / 255 per channel, rounded; four pixels per step.
void BlendAlphaRow(uint32_t* out, const uint32_t* s, const uint32_t* d, int n) {
  const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128);
  int i = 0;
  auto half = [&](__m128i s16, __m128i d16) {
    __m128i a = AlphaLanes(s16);
    __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(c255, a))), c128);
    return Div255(t);
  };
  for (; i + 4 <= n; i += 4) {
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
    __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) {
    __m128i lo = half(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)s[i]), zero),
                      _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)d[i]), zero));
    out[i] = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(lo, zero));
  }
}

// s = s * alpha / 255 per channel (alpha too), rounded.
void ScaleByAlphaRow(uint32_t* s, int n) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  auto half = [&](__m128i s16) { return Div255(_mm_add_epi16(_mm_mullo_epi16(s16, AlphaLanes(s16)), c128)); };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s + i),
                     _mm_packus_epi16(half(_mm_unpacklo_epi8(sv, zero)), half(_mm_unpackhi_epi8(sv, zero))));
  }
  for (; i < n; ++i)
    s[i] = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(half(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)s[i]), zero)), zero));
}

void AddSaturate(uint32_t* out, const uint32_t* s, const uint32_t* d, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_adds_epu8(a, b));
  }
  for (; i < n; ++i)
    out[i] = (uint32_t)_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128((int)d[i]), _mm_cvtsi32_si128((int)s[i])));
}

// out = a * b / 255 per channel, rounded.
void ModulateArray(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    __m128i lo = Div255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(av, zero), _mm_unpacklo_epi8(bv, zero)), c128));
    __m128i hi = Div255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(av, zero), _mm_unpackhi_epi8(bv, zero)), c128));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) out[i] = Modulate(a[i], b[i]);
}

// d = blend(tex x c, d) for normal alpha blending, in one pass over the row (c white: no
// modulation). Gives exactly what ModulateConst and BlendAlphaRow give one after the other.
void ModulateBlendAlphaRow(uint32_t* d, const uint32_t* tex, uint32_t c, int n) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128), c255 = _mm_set1_epi16(255);
  const __m128i cv = _mm_unpacklo_epi8(_mm_set1_epi32((int)c), zero);
  const bool white = c == 0xFFFFFFFFu;
  auto half = [&](__m128i t16, __m128i d16) {
    __m128i s16 = white ? t16 : Div255(_mm_add_epi16(_mm_mullo_epi16(t16, cv), c128));
    __m128i a = AlphaLanes(s16);
    return Div255(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(c255, a))), c128));
  };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tex + i));
    __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i lo = half(_mm_unpacklo_epi8(tv, zero), _mm_unpacklo_epi8(dv, zero));
    __m128i hi = half(_mm_unpackhi_epi8(tv, zero), _mm_unpackhi_epi8(dv, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) {
    __m128i lo = half(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)tex[i]), zero),
                      _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)d[i]), zero));
    d[i] = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(lo, zero));
  }
}

void ModulateConst(uint32_t* out, const uint32_t* a, uint32_t c, int n) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  const __m128i cv = _mm_unpacklo_epi8(_mm_set1_epi32((int)c), zero);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i lo = Div255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(av, zero), cv), c128));
    __m128i hi = Div255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(av, zero), cv), c128));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) out[i] = Modulate(a[i], c);
}

// Sets each mask word to all ones when the pixel passes; answers whether all passed.
bool AlphaTest(uint32_t* mask, const uint32_t* col, int n, DWORD func, uint32_t ref) {
  if (func == D3DCMP_GREATEREQUAL || func == D3DCMP_GREATER) {
    const __m128i r = _mm_set1_epi32((int)(func == D3DCMP_GREATER ? ref : ref - 1));
    __m128i acc = _mm_set1_epi32(-1);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
      __m128i a = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(col + i)), 24);
      __m128i m = _mm_cmpgt_epi32(a, r);
      acc = _mm_and_si128(acc, m);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(mask + i), m);
    }
    bool all = _mm_movemask_epi8(acc) == 0xFFFF;
    for (; i < n; ++i) {
      mask[i] = (int32_t)(col[i] >> 24) > (int32_t)(func == D3DCMP_GREATER ? ref : ref - 1) ? 0xFFFFFFFFu : 0u;
      all &= mask[i] != 0;
    }
    return all;
  }
  bool all = true;
  for (int i = 0; i < n; ++i) {
    mask[i] = Compare(func, col[i] >> 24, ref) ? 0xFFFFFFFFu : 0u;
    all &= mask[i] != 0;
  }
  return all;
}

// Texture coordinates of a chunk in 16.16 texels of one level.
struct Coords {
  bool affine;  // u = u0 + du * i (arrays unused), else the arrays
  int32_t u0, v0, du, dv;
  int32_t u[kChunk], v[kChunk];
  int32_t U(int i) const { return affine ? (int32_t)((uint32_t)u0 + (uint32_t)du * (uint32_t)i) : u[i]; }
  int32_t V(int i) const { return affine ? (int32_t)((uint32_t)v0 + (uint32_t)dv * (uint32_t)i) : v[i]; }
};

// Floor and rounding without library calls (the build has no SSE4.1 rounding instructions).
inline double FastFloor(double v) {
  if (!(v > -9.0e18 && v < 9.0e18)) return v;
  double t = (double)(int64_t)v;
  return t > v ? t - 1.0 : t;
}

int32_t ToFixed(double v) {
  double c = FastFloor(v + 0.5);
  if (!(c > -2147483648.0 && c < 2147483647.0)) return c > 0 ? 2147483647 : (int32_t)0x80000000;
  return (int32_t)c;
}

// Pixels [i0, i1) of a chunk whose texels (and bilinear neighbours) all lie inside the level.
void FetchInside(const TextureLevel& L, bool linear, const Coords& c, int i0, int i1, uint32_t* out) {
  const int W = L.width;
  const uint32_t* tex = L.argb;
  const int n = i1 - i0;
  out += i0;
  const int32_t u0 = c.U(i0), v0 = c.V(i0);
  if (!linear) {
    if (c.affine && c.dv == 0) {
      const uint32_t* row = tex + (size_t)(v0 >> 16) * W;
      if (c.du == 65536) {
        std::memcpy(out, row + (u0 >> 16), (size_t)n * 4);
        return;
      }
      uint32_t u = (uint32_t)u0;
      for (int i = 0; i < n; ++i, u += (uint32_t)c.du) out[i] = row[(int32_t)u >> 16];
      return;
    }
    for (int i = 0; i < n; ++i) out[i] = tex[(size_t)(c.V(i0 + i) >> 16) * W + (c.U(i0 + i) >> 16)];
    return;
  }
  if (c.affine && c.dv == 0) {
    int y0 = v0 >> 16;
    uint32_t fy = ((uint32_t)v0 >> 8) & 0xFF;
    const uint32_t* r0 = tex + (size_t)y0 * W;
    const uint32_t* r1 = r0 + W;
    if (c.du == 65536) {
      // One texel per pixel: the same weights all along the run.
      int x0 = u0 >> 16;
      uint32_t fx = ((uint32_t)u0 >> 8) & 0xFF;
      if (fx == 0 && fy == 0) {
        std::memcpy(out, r0 + x0, (size_t)n * 4);
        return;
      }
      // 16-bit lanes, two pixels per register, the weights in every lane.
      __m128i wx0 = _mm_set1_epi16((short)(256 - fx)), wx1 = _mm_set1_epi16((short)fx);
      __m128i wy0 = _mm_set1_epi16((short)(256 - fy)), wy1 = _mm_set1_epi16((short)fy);
      __m128i zero = _mm_setzero_si128();
      const uint32_t* p0 = r0 + x0;
      const uint32_t* p1 = r1 + x0;
      int i = 0;
      for (; i + 4 <= n; i += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p0 + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p0 + i + 1));
        __m128i cc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + i + 1));
        auto lerp2 = [&](__m128i x, __m128i y, __m128i w0, __m128i w1) {
          return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, w0), _mm_mullo_epi16(y, w1)), 8);
        };
        __m128i tlo = lerp2(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), wx0, wx1);
        __m128i thi = lerp2(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), wx0, wx1);
        __m128i blo = lerp2(_mm_unpacklo_epi8(cc, zero), _mm_unpacklo_epi8(d, zero), wx0, wx1);
        __m128i bhi = lerp2(_mm_unpackhi_epi8(cc, zero), _mm_unpackhi_epi8(d, zero), wx0, wx1);
        __m128i lo = lerp2(tlo, blo, wy0, wy1);
        __m128i hi = lerp2(thi, bhi, wy0, wy1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
      }
      for (; i < n; ++i) out[i] = Bilinear(p0[i], p0[i + 1], p1[i], p1[i + 1], fx, fy);
      return;
    }
    uint32_t u = (uint32_t)u0;
    for (int i = 0; i < n; ++i, u += (uint32_t)c.du) {
      int x0 = (int32_t)u >> 16;
      uint32_t fx = (u >> 8) & 0xFF;
      out[i] = Bilinear(r0[x0], r0[x0 + 1], r1[x0], r1[x0 + 1], fx, fy);
    }
    return;
  }
  // Any direction: per pixel, both texel pairs in 16-bit lanes, the same sums as Bilinear.
  const __m128i zero = _mm_setzero_si128(), c256 = _mm_set1_epi16(256);
  uint32_t uu = (uint32_t)c.U(i0), vv = (uint32_t)c.V(i0);
  for (int i = 0; i < n; ++i) {
    if (!c.affine) uu = (uint32_t)c.u[i0 + i], vv = (uint32_t)c.v[i0 + i];
    int x0 = (int32_t)uu >> 16, y0 = (int32_t)vv >> 16;
    int fx = (int)((uu >> 8) & 0xFF), fy = (int)((vv >> 8) & 0xFF);
    const uint32_t* r0 = tex + (size_t)y0 * W + x0;
    __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0)), zero);
    __m128i bot = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + W)), zero);
    __m128i fxv = _mm_set1_epi16((short)fx), fyv = _mm_set1_epi16((short)fy);
    __m128i wx = _mm_unpacklo_epi64(_mm_sub_epi16(c256, fxv), fxv);
    __m128i wy = _mm_unpacklo_epi64(_mm_sub_epi16(c256, fyv), fyv);
    top = _mm_mullo_epi16(top, wx);
    bot = _mm_mullo_epi16(bot, wx);
    top = _mm_srli_epi16(_mm_add_epi16(top, _mm_srli_si128(top, 8)), 8);
    bot = _mm_srli_epi16(_mm_add_epi16(bot, _mm_srli_si128(bot, 8)), 8);
    __m128i both = _mm_mullo_epi16(_mm_unpacklo_epi64(top, bot), wy);
    both = _mm_srli_epi16(_mm_add_epi16(both, _mm_srli_si128(both, 8)), 8);
    out[i] = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(both, zero));
    uu += (uint32_t)c.du;
    vv += (uint32_t)c.dv;
  }
}

// Pixels [i0, i1) with the address mode applied to every texel.
void FetchAddressed(const TextureLevel& L, bool linear, DWORD au, DWORD av, const Coords& c, int i0, int i1,
                    uint32_t* out) {
  const int W = L.width, H = L.height;
  const uint32_t* tex = L.argb;
  if (!linear) {
    for (int i = i0; i < i1; ++i)
      out[i] = tex[(size_t)Address(c.V(i) >> 16, H, av) * W + Address(c.U(i) >> 16, W, au)];
    return;
  }
  for (int i = i0; i < i1; ++i) {
    int32_t uu = c.U(i), vv = c.V(i);
    int xi = uu >> 16, yi = vv >> 16;
    uint32_t fx = ((uint32_t)uu >> 8) & 0xFF, fy = ((uint32_t)vv >> 8) & 0xFF;
    int x0 = Address(xi, W, au), x1 = Address(xi + 1, W, au);
    int y0 = Address(yi, H, av), y1 = Address(yi + 1, H, av);
    const uint32_t* r0 = tex + (size_t)y0 * W;
    const uint32_t* r1 = tex + (size_t)y1 * W;
    out[i] = Bilinear(r0[x0], r0[x1], r1[x0], r1[x1], fx, fy);
  }
}

void Fetch(const TextureLevel& L, bool linear, DWORD au, DWORD av, const Coords& c, int n, uint32_t* out) {
  const int extra = linear ? 1 : 0;
  const int W = L.width, H = L.height;
  auto inside = [&](int i) {
    int x = c.U(i) >> 16, y = c.V(i) >> 16;
    return x >= 0 && x + extra < W && y >= 0 && y + extra < H;
  };
  if (!c.affine) {
    bool all = true;
    for (int i = 0; i < n && all; ++i) all = inside(i);
    if (all) FetchInside(L, linear, c, 0, n, out);
    else FetchAddressed(L, linear, au, av, c, 0, n, out);
    return;
  }
  // Affine coordinates move one way, so the pixels inside the level form one run.
  int i0 = 0;
  while (i0 < n && !inside(i0)) ++i0;
  int i1 = n;
  while (i1 > i0 && !inside(i1 - 1)) --i1;
  if (i0 > 0) FetchAddressed(L, linear, au, av, c, 0, i0, out);
  if (i1 > i0) FetchInside(L, linear, c, i0, i1, out);
  if (i1 < n) FetchAddressed(L, linear, au, av, c, std::max(i1, i0), n, out);
}

}  // namespace

struct Rasterizer::Span {
  int x, y, count;
  float z, dz;
  float rhw, drhw;
  float u, du, v, dv;  // u/w and v/w with perspective, else u and v
  bool perspective;
  bool constDiffuse, constSpecular;
  uint32_t diffuseConst, specularConst;
  float c[4], dc[4];
  float s[4], ds[4];
  int level, level2;  // level2 < 0: one level
  uint32_t mipFrac;   // weight of level2, 0..256
  bool linear;
};

namespace {

uint32_t PackColour(const float* c) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= ClampByte((int)FastFloor((double)c[i] + 0.5)) << (8 * i);
  return out;
}

// Where an affine run starts on one axis, in 16.16 texels of a level `size' texels long.
inline int32_t AffineStart(double at, DWORD mode, double size, double bias) {
  // Periodic addressing lets the start move by whole periods, which keeps fixed point small.
  if (mode == D3DTADDRESS_WRAP) at -= FastFloor(at);
  if (mode == D3DTADDRESS_MIRROR) at -= 2.0 * FastFloor(at / 2.0);
  return ToFixed((at * size - bias) * 65536.0);
}

void MakeCoords(const TextureLevel& L, bool linear, DWORD au, DWORD av, double u, double du, double v, double dv,
                double rhw, double drhw, bool perspective, int start, int n, Coords& c) {
  double W = L.width, H = L.height;
  double bias = linear ? 0.5 : 0.0;
  if (!perspective) {
    int32_t u0 = AffineStart(u + du * start, au, W, bias), v0 = AffineStart(v + dv * start, av, H, bias);
    int32_t dU = ToFixed(du * W * 65536.0), dV = ToFixed(dv * H * 65536.0);
    c.affine = true;
    c.u0 = u0;
    c.v0 = v0;
    c.du = dU;
    c.dv = dV;
    return;
  }
  c.affine = false;
  c.u0 = c.v0 = c.du = c.dv = 0;
  for (int i = 0; i < n; ++i) {
    double k = start + i;
    double w = rhw + drhw * k;
    double inv = w != 0.0 ? 1.0 / w : 0.0;
    double uu = (u + du * k) * inv, vv = (v + dv * k) * inv;
    if (au == D3DTADDRESS_WRAP) uu -= FastFloor(uu);
    if (av == D3DTADDRESS_WRAP) vv -= FastFloor(vv);
    c.u[i] = ToFixed((uu * W - bias) * 65536.0);
    c.v[i] = ToFixed((vv * H - bias) * 65536.0);
  }
}

// Which combine applies: 0 generic, 1 texture, 2 diffuse, 3 texture x diffuse, 4 white.
template <class SpanT>
int CombineOf(const PipelineState& st, const SpanT& s) {
  const bool hasTexture = !st.levels.empty();
  const StageState& s0 = st.stages[0];
  if (st.stageCount == 0) return 2;
  if (st.stageCount != 1) return 0;
  auto isTexDif = [](DWORD a, DWORD b) {
    return (a == D3DTA_TEXTURE && (b == D3DTA_DIFFUSE || b == D3DTA_CURRENT)) ||
           (b == D3DTA_TEXTURE && (a == D3DTA_DIFFUSE || a == D3DTA_CURRENT));
  };
  bool colMod = s0.colorOp == D3DTOP_MODULATE && isTexDif(s0.colorArg1, s0.colorArg2);
  bool alpMod = s0.alphaOp == D3DTOP_MODULATE && isTexDif(s0.alphaArg1, s0.alphaArg2);
  bool colTex = s0.colorOp == D3DTOP_SELECTARG1 && s0.colorArg1 == D3DTA_TEXTURE;
  bool alpTex = s0.alphaOp == D3DTOP_SELECTARG1 && s0.alphaArg1 == D3DTA_TEXTURE;
  bool colDif = s0.colorOp == D3DTOP_SELECTARG1 && (s0.colorArg1 == D3DTA_DIFFUSE || s0.colorArg1 == D3DTA_CURRENT);
  bool alpDif = s0.alphaOp == D3DTOP_SELECTARG1 && (s0.alphaArg1 == D3DTA_DIFFUSE || s0.alphaArg1 == D3DTA_CURRENT);
  if (colMod && alpMod) return !hasTexture ? 2 : (s.constDiffuse && s.diffuseConst == 0xFFFFFFFFu) ? 1 : 3;
  if (colTex && alpTex) return hasTexture ? 1 : 4;
  if (colDif && alpDif) return 2;
  return 0;
}

// Normal alpha blending of a texture by one colour into a 32-bit target takes one fused pass.
// An alpha test that only drops alpha 0 changes nothing there: such pixels blend to the old
// value exactly, and nothing else (depth) depends on the test.
bool TestIsIdle(const PipelineState& st) {
  return !st.alphaTest || (st.alphaFunc == D3DCMP_GREATEREQUAL && (st.alphaRef & 0xFF) <= 1) ||
         (st.alphaFunc == D3DCMP_GREATER && (st.alphaRef & 0xFF) == 0) || st.alphaFunc == D3DCMP_ALWAYS;
}

std::atomic<int> gPath{(int)RasterPath::kWidest};

}  // namespace

void SetRasterPath(RasterPath path) { gPath = (int)path; }

void Rasterizer::RunSpan(const Span& s) {
  const PipelineState& st = *mState;
  const bool hasTexture = !st.levels.empty();
  const FormatInfo& tf = st.targetFormat;
  uint8_t* rowBase = st.target + (size_t)s.y * st.targetPitch;
  uint8_t* zRow = st.zbuffer ? st.zbuffer + (size_t)s.y * st.zPitch : nullptr;

  const int combine = CombineOf(st, s);
  bool fused = hasTexture && tf.bytes == 4 && (tf.argb8888 || tf.xrgb8888) && st.blend &&
               st.srcBlend == D3DBLEND_SRCALPHA && st.dstBlend == D3DBLEND_INVSRCALPHA && !st.specular &&
               (combine == 1 || (combine == 3 && s.constDiffuse)) && TestIsIdle(st) &&
               !(zRow && (st.zEnable || st.zWrite));
  alignas(16) uint32_t tex[kChunk], tex2[kChunk], dif[kChunk], colBuf[kChunk], spec[kChunk];
  alignas(16) uint32_t mask[kChunk];  // all ones: the pixel is written
  Coords coords;

  for (int start = 0; start < s.count; start += kChunk) {
    int n = std::min(kChunk, s.count - start);
    int x0 = s.x + start;
    bool needTex = hasTexture && combine != 2 && combine != 4;
    if (combine == 0 && hasTexture) needTex = true;
    if (needTex) {
      const TextureLevel& L = st.levels[(size_t)s.level];
      DWORD au = st.addressU, av = st.addressV;
      MakeCoords(L, s.linear, au, av, s.u, s.du, s.v, s.dv, s.rhw, s.drhw, s.perspective, start, n, coords);
      Fetch(L, s.linear, au, av, coords, n, tex);
      if (s.level2 >= 0) {
        const TextureLevel& L2 = st.levels[(size_t)s.level2];
        MakeCoords(L2, s.linear, au, av, s.u, s.du, s.v, s.dv, s.rhw, s.drhw, s.perspective, start, n, coords);
        Fetch(L2, s.linear, au, av, coords, n, tex2);
        for (int i = 0; i < n; ++i) tex[i] = Lerp(tex[i], tex2[i], s.mipFrac);
      }
    } else {
      for (int i = 0; i < n; ++i) tex[i] = 0xFFFFFFFFu;
    }
    if (fused) {
      ModulateBlendAlphaRow(reinterpret_cast<uint32_t*>(rowBase) + x0, tex, combine == 1 ? 0xFFFFFFFFu : s.diffuseConst, n);
      continue;
    }
    // Diffuse and specular.
    bool needDif = combine == 0 || (!s.constDiffuse && (combine == 2 || combine == 3));
    if (!needDif) {
    } else if (s.constDiffuse) {
      for (int i = 0; i < n; ++i) dif[i] = s.diffuseConst;
    } else {
      int32_t cf[4], dcf[4];
      for (int ch = 0; ch < 4; ++ch) {
        cf[ch] = ToFixed(((double)s.c[ch] + (double)s.dc[ch] * start) * 65536.0);
        dcf[ch] = ToFixed((double)s.dc[ch] * 65536.0);
      }
      for (int i = 0; i < n; ++i) {
        uint32_t p = 0;
        for (int ch = 0; ch < 4; ++ch) p |= ClampByte((int)((cf[ch] + dcf[ch] * i + 32768) >> 16)) << (8 * ch);
        dif[i] = p;
      }
    }
    bool needSpec = st.specular || combine == 0;
    if (needSpec) {
      if (s.constSpecular) {
        for (int i = 0; i < n; ++i) spec[i] = s.specularConst;
      } else {
        int32_t cf[4], dcf[4];
        for (int ch = 0; ch < 4; ++ch) {
          cf[ch] = ToFixed(((double)s.s[ch] + (double)s.ds[ch] * start) * 65536.0);
          dcf[ch] = ToFixed((double)s.ds[ch] * 65536.0);
        }
        for (int i = 0; i < n; ++i) {
          uint32_t p = 0;
          for (int ch = 0; ch < 4; ++ch) p |= ClampByte((int)((cf[ch] + dcf[ch] * i + 32768) >> 16)) << (8 * ch);
          spec[i] = p;
        }
      }
    }
    // Texture stages.
    uint32_t* col = colBuf;
    switch (combine) {
      case 1: col = tex; break;
      case 2:
        if (s.constDiffuse)
          for (int i = 0; i < n; ++i) col[i] = s.diffuseConst;
        else
          std::memcpy(col, dif, (size_t)n * 4);
        break;
      case 3:
        if (s.constDiffuse) ModulateConst(col, tex, s.diffuseConst, n);
        else ModulateArray(col, tex, dif, n);
        break;
      case 4: for (int i = 0; i < n; ++i) col[i] = 0xFFFFFFFFu; break;
      default:
        for (int i = 0; i < n; ++i) {
          uint32_t cur = dif[i];
          for (int k = 0; k < st.stageCount; ++k) {
            const StageState& ss = st.stages[k];
            uint32_t t = k == 0 ? tex[i] : 0xFFFFFFFFu;
            uint32_t c1 = StageArg(ss.colorArg1, t, cur, dif[i], spec[i], st.textureFactor);
            uint32_t c2 = StageArg(ss.colorArg2, t, cur, dif[i], spec[i], st.textureFactor);
            uint32_t a1 = StageArg(ss.alphaArg1, t, cur, dif[i], spec[i], st.textureFactor);
            uint32_t a2 = StageArg(ss.alphaArg2, t, cur, dif[i], spec[i], st.textureFactor);
            uint32_t ba = ss.colorOp == D3DTOP_BLENDTEXTUREALPHA ? t >> 24 : dif[i] >> 24;
            uint32_t out = 0;
            for (int ch = 0; ch < 3; ++ch)
              out |= StageOp(ss.colorOp, (c1 >> (8 * ch)) & 0xFF, (c2 >> (8 * ch)) & 0xFF, ba) << (8 * ch);
            uint32_t aop = ss.alphaOp == D3DTOP_DISABLE ? (DWORD)D3DTOP_SELECTARG2 : ss.alphaOp;
            uint32_t bb = ss.alphaOp == D3DTOP_BLENDTEXTUREALPHA ? t >> 24 : dif[i] >> 24;
            out |= StageOp(aop, a1 >> 24, ss.alphaOp == D3DTOP_DISABLE ? cur >> 24 : a2 >> 24, bb) << 24;
            cur = out;
          }
          col[i] = cur;
        }
        break;
    }
    if (st.specular) {
      for (int i = 0; i < n; ++i) {
        uint32_t c = col[i], sp = spec[i], out = c & 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) out |= std::min(((c >> (8 * ch)) & 0xFF) + ((sp >> (8 * ch)) & 0xFF), 255u) << (8 * ch);
        col[i] = out;
      }
    }
    // Alpha test and depth test build the pixel mask.
    bool all = true;
    if (st.alphaTest) {
      all = AlphaTest(mask, col, n, st.alphaFunc, st.alphaRef & 0xFF);
    } else {
      for (int i = 0; i < n; ++i) mask[i] = 0xFFFFFFFFu;
    }
    if (zRow && (st.zEnable || st.zWrite)) {
      for (int i = 0; i < n; ++i) {
        if (!mask[i]) continue;
        double zf = (double)s.z + (double)s.dz * (start + i);
        zf = zf < 0.0 ? 0.0 : zf > 1.0 ? 1.0 : zf;
        uint32_t zq = (uint32_t)FastFloor(zf * (double)st.zMax + 0.5);
        uint8_t* zp = zRow + (size_t)(x0 + i) * st.zBytes;
        uint32_t old = st.zBytes == 2 ? ReadRaw(zp, 2) : (ReadRaw(zp, 4) & st.zMax);
        if (st.zEnable && !Compare(st.zFunc, zq, old)) {
          mask[i] = 0;
          all = false;
          continue;
        }
        if (st.zWrite) {
          if (st.zBytes == 2) WriteRaw(zp, 2, zq);
          else WriteRaw(zp, 4, (ReadRaw(zp, 4) & ~st.zMax) | zq);
        }
      }
    }
    // Blend and write.
    if (tf.bytes == 4 && (tf.argb8888 || tf.xrgb8888)) {
      uint32_t* d = reinterpret_cast<uint32_t*>(rowBase) + x0;
      uint32_t* src = col;
      if (st.blend) {
        if (st.srcBlend == D3DBLEND_SRCALPHA && st.dstBlend == D3DBLEND_INVSRCALPHA) {
          BlendAlphaRow(tex2, col, d, n);
        } else if (st.srcBlend == D3DBLEND_ONE && st.dstBlend == D3DBLEND_ONE) {
          AddSaturate(tex2, col, d, n);
        } else if (st.srcBlend == D3DBLEND_SRCALPHA && st.dstBlend == D3DBLEND_ONE) {
          ScaleByAlphaRow(col, n);
          AddSaturate(tex2, col, d, n);
        } else {
          // The unused byte of an XRGB target reads as opaque.
          uint32_t dstAlpha = tf.xrgb8888 ? 0xFF000000u : 0u;
          for (int i = 0; i < n; ++i) tex2[i] = BlendGeneric(st.srcBlend, st.dstBlend, col[i], d[i] | dstAlpha);
        }
        src = tex2;
      }
      if (all) {
        std::memcpy(d, src, (size_t)n * 4);
      } else {
        for (int i = 0; i < n; ++i) d[i] = (src[i] & mask[i]) | (d[i] & ~mask[i]);
      }
    } else {
      uint8_t* p = rowBase + (size_t)x0 * tf.bytes;
      for (int i = 0; i < n; ++i) {
        if (!mask[i]) continue;
        uint32_t c = col[i];
        if (st.blend) c = BlendGeneric(st.srcBlend, st.dstBlend, c, ToArgb(tf, ReadRaw(p + (size_t)i * tf.bytes, tf.bytes)));
        WriteRaw(p + (size_t)i * tf.bytes, tf.bytes, FromArgb(tf, c));
      }
    }
  }
  mPixels += (uint64_t)s.count;
}

namespace {

bool Finite(const RasterVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.rhw) &&
         std::fabs(v.x) < 1e6f && std::fabs(v.y) < 1e6f;
}

bool SameColour(const float* a, const float* b, const float* c) {
  for (int i = 0; i < 4; ++i)
    if (a[i] != b[i] || a[i] != c[i]) return false;
  return true;
}

// Level of detail from texel derivatives; chooses levels and filter for a primitive.
void ChooseLevels(const PipelineState& st, double lod, int& level, int& level2, uint32_t& frac, bool& linear) {
  level = 0;
  level2 = -1;
  frac = 0;
  int maxLevel = (int)st.levels.size() - 1;
  if (lod <= 0.0 || maxLevel < 0) {
    linear = st.magFilter == D3DTFG_LINEAR;
    return;
  }
  linear = st.minFilter == D3DTFN_LINEAR;
  if (st.mipFilter == D3DTFP_POINT) {
    level = std::min(maxLevel, (int)std::floor(lod + 0.5));
  } else if (st.mipFilter == D3DTFP_LINEAR) {
    int l = (int)std::floor(lod);
    if (l >= maxLevel) {
      level = maxLevel;
    } else {
      level = l;
      level2 = l + 1;
      frac = (uint32_t)std::lrint((lod - l) * 256.0);
      if (frac >= 256) {
        level = level2;
        level2 = -1;
        frac = 0;
      } else if (frac == 0) {
        level2 = -1;
      }
    }
  }
}

}  // namespace

void Rasterizer::DrawTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c) {
  const PipelineState& st = *mState;
  if (!Finite(a) || !Finite(b) || !Finite(c)) return;
  if (st.clipX0 >= st.clipX1 || st.clipY0 >= st.clipY1) return;
  const RasterVertex* v[3] = {&a, &b, &c};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = (int64_t)std::llrint((double)v[i]->x * 256.0);
    Y[i] = (int64_t)std::llrint((double)v[i]->y * 256.0);
  }
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return;

  // Attribute planes over the snapped positions, relative to vertex 0.
  double x0 = X[0] / 256.0, y0 = Y[0] / 256.0;
  double e1x = (X[1] - X[0]) / 256.0, e1y = (Y[1] - Y[0]) / 256.0;
  double e2x = (X[2] - X[0]) / 256.0, e2y = (Y[2] - Y[0]) / 256.0;
  double af = (double)area / 65536.0;
  auto plane = [&](double a0, double a1, double a2, double& dx, double& dy) {
    dx = ((a1 - a0) * e2y - (a2 - a0) * e1y) / af;
    dy = ((a2 - a0) * e1x - (a1 - a0) * e2x) / af;
  };
  Span s{};
  bool perspective = !(a.rhw == b.rhw && a.rhw == c.rhw);
  double zdx, zdy, rdx = 0, rdy = 0, udx, udy, vdx, vdy;
  plane(a.z, b.z, c.z, zdx, zdy);
  if (perspective) {
    plane(a.rhw, b.rhw, c.rhw, rdx, rdy);
    plane((double)a.u * a.rhw, (double)b.u * b.rhw, (double)c.u * c.rhw, udx, udy);
    plane((double)a.v * a.rhw, (double)b.v * b.rhw, (double)c.v * c.rhw, vdx, vdy);
  } else {
    plane(a.u, b.u, c.u, udx, udy);
    plane(a.v, b.v, c.v, vdx, vdy);
  }
  double cdx[4], cdy[4], sdx[4], sdy[4];
  const float* d0 = a.diffuse;
  const float* sp0 = a.specular;
  s.constDiffuse = st.flat || SameColour(a.diffuse, b.diffuse, c.diffuse);
  s.constSpecular = st.flat || SameColour(a.specular, b.specular, c.specular);
  s.diffuseConst = PackColour(d0);
  s.specularConst = PackColour(sp0);
  for (int ch = 0; ch < 4; ++ch) {
    plane(a.diffuse[ch], b.diffuse[ch], c.diffuse[ch], cdx[ch], cdy[ch]);
    plane(a.specular[ch], b.specular[ch], c.specular[ch], sdx[ch], sdy[ch]);
  }
  // Texture level from the texel footprint of one pixel.
  s.level = 0;
  s.level2 = -1;
  s.linear = false;
  if (!st.levels.empty()) {
    double W = st.levels[0].width, H = st.levels[0].height;
    double gux, guy, gvx, gvy;
    plane(a.u, b.u, c.u, gux, guy);
    plane(a.v, b.v, c.v, gvx, gvy);
    double rx = std::hypot(gux * W, gvx * H), ry = std::hypot(guy * W, gvy * H);
    double rho = std::max(rx, ry);
    double lod = rho > 0 ? std::log2(rho) : -1.0;
    ChooseLevels(st, lod, s.level, s.level2, s.mipFrac, s.linear);
  }
  s.perspective = perspective;

  // Sort by y (then x) for the walk.
  int idx[3] = {0, 1, 2};
  std::sort(idx, idx + 3, [&](int p, int q) { return Y[p] != Y[q] ? Y[p] < Y[q] : X[p] < X[q]; });
  int64_t tX[3], tY[3];
  for (int i = 0; i < 3; ++i) tX[i] = X[idx[i]], tY[i] = Y[idx[i]];
  int64_t cross = (tX[1] - tX[0]) * (tY[2] - tY[0]) - (tX[2] - tX[0]) * (tY[1] - tY[0]);
  bool longLeft = cross > 0;
  int64_t yStart = std::max<int64_t>(CeilDiv(tY[0], 256), st.clipY0);
  int64_t yEnd = std::min<int64_t>(CeilDiv(tY[2], 256), st.clipY1);
  auto edgeX = [&](int p, int q, int64_t yc) {
    int64_t dy = tY[q] - tY[p];
    return CeilDiv(tX[p] * dy + (yc - tY[p]) * (tX[q] - tX[p]), 256 * dy);
  };
  for (int64_t yy = yStart; yy < yEnd; ++yy) {
    int64_t yc = yy * 256;
    int64_t xl = edgeX(0, 2, yc);
    int64_t xs = yc < tY[1] ? edgeX(0, 1, yc) : edgeX(1, 2, yc);
    int64_t left = longLeft ? xl : xs, right = longLeft ? xs : xl;
    left = std::max<int64_t>(left, st.clipX0);
    right = std::min<int64_t>(right, st.clipX1);
    if (left >= right) continue;
    double px = (double)left - x0, py = (double)yy - y0;
    s.x = (int)left;
    s.y = (int)yy;
    s.count = (int)(right - left);
    s.z = (float)(a.z + zdx * px + zdy * py);
    s.dz = (float)zdx;
    if (perspective) {
      s.rhw = (float)(a.rhw + rdx * px + rdy * py);
      s.drhw = (float)rdx;
      s.u = (float)((double)a.u * a.rhw + udx * px + udy * py);
      s.v = (float)((double)a.v * a.rhw + vdx * px + vdy * py);
    } else {
      s.u = (float)(a.u + udx * px + udy * py);
      s.v = (float)(a.v + vdx * px + vdy * py);
    }
    s.du = (float)udx;
    s.dv = (float)vdx;
    for (int ch = 0; ch < 4; ++ch) {
      s.c[ch] = (float)(d0[ch] + cdx[ch] * px + cdy[ch] * py);
      s.dc[ch] = (float)cdx[ch];
      s.s[ch] = (float)(sp0[ch] + sdx[ch] * px + sdy[ch] * py);
      s.ds[ch] = (float)sdx[ch];
    }
    RunSpan(s);
  }
}

void Rasterizer::DrawRect(const RasterVertex& tl, const RasterVertex& br) {
  const PipelineState& st = *mState;
  if (!Finite(tl) || !Finite(br)) return;
  int64_t X0 = (int64_t)std::llrint((double)tl.x * 256.0), X1 = (int64_t)std::llrint((double)br.x * 256.0);
  int64_t Y0 = (int64_t)std::llrint((double)tl.y * 256.0), Y1 = (int64_t)std::llrint((double)br.y * 256.0);
  if (X0 == X1 || Y0 == Y1) return;
  const RasterVertex& a = tl;
  double fx0 = X0 / 256.0, fy0 = Y0 / 256.0;
  double dudx = ((double)br.u - tl.u) / ((X1 - X0) / 256.0), dvdy = ((double)br.v - tl.v) / ((Y1 - Y0) / 256.0);
  if (X1 < X0) std::swap(X0, X1);
  if (Y1 < Y0) std::swap(Y0, Y1);
  int64_t xs = std::max<int64_t>(CeilDiv(X0, 256), st.clipX0), xe = std::min<int64_t>(CeilDiv(X1, 256), st.clipX1);
  int64_t ys = std::max<int64_t>(CeilDiv(Y0, 256), st.clipY0), ye = std::min<int64_t>(CeilDiv(Y1, 256), st.clipY1);
  if (xs >= xe || ys >= ye) return;
  Span s{};
  s.level = 0;
  s.level2 = -1;
  s.linear = false;
  if (!st.levels.empty()) {
    double rho = std::max(std::fabs(dudx) * st.levels[0].width, std::fabs(dvdy) * st.levels[0].height);
    ChooseLevels(st, rho > 0 ? std::log2(rho) : -1.0, s.level, s.level2, s.mipFrac, s.linear);
  }
  s.perspective = false;
  s.constDiffuse = s.constSpecular = true;
  s.diffuseConst = PackColour(a.diffuse);
  s.specularConst = PackColour(a.specular);
  s.x = (int)xs;
  s.count = (int)(xe - xs);
  s.z = a.z;
  s.dz = 0;
  s.rhw = a.rhw;
  s.u = (float)(a.u + dudx * ((double)xs - fx0));
  s.du = (float)dudx;
  s.dv = 0;
  if (DrawBilinearRows(s, (int)ys, (int)ye, a.v, dvdy, fy0)) return;
  for (int64_t y = ys; y < ye; ++y) {
    s.y = (int)y;
    s.v = (float)(a.v + dvdy * ((double)y - fy0));
    RunSpan(s);
  }
}

// A bilinear rectangle of one texture level with a plain combine, blended normally or written
// under a simple alpha test: every row samples the same texel columns, so the columns are
// worked out once, and each texel row is filtered across once and kept while the next pixel
// rows still need it. The sums are those of RunSpan's chunks (texel coordinates are made per
// chunk of 64 pixels as there). Returns false, having drawn nothing, for anything else.
bool Rasterizer::DrawBilinearRows(Span& s, int ys, int ye, double v0, double dvdy, double fy0) {
  const PipelineState& st = *mState;
  const RasterPath path = (RasterPath)gPath.load(std::memory_order_relaxed);
  const FormatInfo& tf = st.targetFormat;
  if (path == RasterPath::kGeneral || st.levels.empty() || !s.linear || s.level2 >= 0 || s.perspective ||
      s.dv != 0 || tf.bytes != 4 || !(tf.argb8888 || tf.xrgb8888) || st.specular ||
      (st.zbuffer && (st.zEnable || st.zWrite)))
    return false;
  const int combine = CombineOf(st, s);
  if (combine != 1 && !(combine == 3 && s.constDiffuse)) return false;
  const uint32_t colour = combine == 1 ? 0xFFFFFFFFu : s.diffuseConst;
  int above = -1;  // the alpha test of a write: alpha above this passes
  if (st.blend) {
    if (st.srcBlend != D3DBLEND_SRCALPHA || st.dstBlend != D3DBLEND_INVSRCALPHA || !TestIsIdle(st)) return false;
  } else if (st.alphaTest && st.alphaFunc != D3DCMP_ALWAYS) {
    if (st.alphaFunc == D3DCMP_GREATEREQUAL) above = (int)(st.alphaRef & 0xFF) - 1;
    else if (st.alphaFunc == D3DCMP_GREATER) above = (int)(st.alphaRef & 0xFF);
    else return false;
  }
  const RowKernels& k = GetRowKernels(path == RasterPath::kVector128 ? 128 : path == RasterPath::kVector256 ? 256 : 512);
  const TextureLevel& L = st.levels[(size_t)s.level];
  const DWORD au = st.addressU, av = st.addressV;
  const int n = s.count;

  // Columns: the texels either side of each pixel and the weight between them.
  mColumn0.resize((size_t)n);
  mColumn1.resize((size_t)n);
  mWeight.resize((size_t)n);
  Coords c;
  int first = 0, last = 0;
  bool run = true;    // one texel a pixel, one weight
  bool steps = true;  // each pixel on the texel of the one before or the next
  for (int start = 0; start < n; start += kChunk) {
    int m = std::min(kChunk, n - start);
    MakeCoords(L, true, au, av, s.u, s.du, s.v, s.dv, s.rhw, s.drhw, false, start, m, c);
    for (int i = 0; i < m; ++i) {
      const int at = start + i;
      uint32_t u = (uint32_t)c.U(i), weight = ((u >> 8) & 0xFF) * 0x01010101u;
      int x = (int32_t)u >> 16;
      if (at == 0) first = last = x;
      run &= x == first + at && (at == 0 || weight == mWeight[0]);
      steps &= x == last || x == last + 1;
      last = x;
      mColumn0[(size_t)at] = x;
      mWeight[(size_t)at] = weight;
    }
  }
  const bool inside = first >= 0 && last + 1 < L.width;
  const uint32_t fx = mWeight[0] & 0xFF;
  // Stepping pixels whose texel pairs lie inside the level, [inner0, inner1): the rest are few
  // (a bilinear edge reaching past the texture) and go one by one through the address mode.
  int inner0 = 0, inner1 = n;
  if (steps) {
    while (inner0 < n && mColumn0[(size_t)inner0] < 0) ++inner0;
    while (inner1 > inner0 && mColumn0[(size_t)inner1 - 1] + 1 >= L.width) --inner1;
  } else {
    for (int i = 0; i < n; ++i) {
      mColumn1[(size_t)i] = Address(mColumn0[(size_t)i] + 1, L.width, au);
      mColumn0[(size_t)i] = Address(mColumn0[(size_t)i], L.width, au);
    }
  }

  // Texel rows filtered across, the last two kept.
  int cachedRow[2] = {-1, -1};
  uint32_t used[2] = {0, 0}, clock = 0;
  auto filtered = [&](int y) -> const uint32_t* {
    const uint32_t* texels = L.argb + (size_t)y * L.width;
    if (run && inside && fx == 0) return texels + first;  // no weight: the texels themselves
    int slot = cachedRow[0] == y ? 0 : cachedRow[1] == y ? 1 : -1;
    if (slot < 0) {
      slot = used[0] <= used[1] ? 0 : 1;
      cachedRow[slot] = y;
      std::vector<uint32_t>& out = mFiltered[slot];
      if (out.size() < (size_t)n) out.resize((size_t)n);
      if (!steps) {
        k.lerpGather(out.data(), texels, mColumn0.data(), mColumn1.data(), mWeight.data(), n);
      } else if (run && inside) {
        k.lerpRun(out.data(), texels + first, fx, n);
      } else {
        auto edge = [&](int i) {
          int x = mColumn0[(size_t)i];
          out[(size_t)i] = Lerp(texels[Address(x, L.width, au)], texels[Address(x + 1, L.width, au)],
                                mWeight[(size_t)i] & 0xFF);
        };
        for (int i = 0; i < inner0; ++i) edge(i);
        for (int i = std::max(inner0, inner1); i < n; ++i) edge(i);
        if (inner1 > inner0 && run)
          k.lerpRun(out.data() + inner0, texels + mColumn0[(size_t)inner0], fx, inner1 - inner0);
        else if (inner1 > inner0)
          k.lerpSteps(out.data() + inner0, texels, L.width, mColumn0.data() + inner0, mWeight.data() + inner0,
                      inner1 - inner0);
      }
    }
    used[slot] = ++clock;
    return mFiltered[slot].data();
  };

  // Each row's texel row and weight, worked out ahead in one loop: the rows do not depend on
  // each other. As MakeCoords has it, v does not move along a row.
  mRowAt.resize((size_t)(ye - ys));
  for (int y = ys; y < ye; ++y) {
    float v = (float)(v0 + dvdy * ((double)y - fy0));
    mRowAt[(size_t)(y - ys)] = AffineStart((double)v + (double)s.dv * 0, av, L.height, 0.5);
  }
  for (int y = ys; y < ye; ++y) {
    int32_t v = mRowAt[(size_t)(y - ys)];
    int yi = v >> 16;
    uint32_t fy = ((uint32_t)v >> 8) & 0xFF;
    const uint32_t* top = filtered(Address(yi, L.height, av));
    const uint32_t* bottom = fy ? filtered(Address(yi + 1, L.height, av)) : nullptr;
    uint32_t* d = reinterpret_cast<uint32_t*>(st.target + (size_t)y * st.targetPitch) + s.x;
    if (st.blend) {
      // The next row's pixels are read next: ask for them while this row is worked out.
      if (y + 1 < ye)
        for (int i = 0; i < n; i += 16) __builtin_prefetch(reinterpret_cast<const char*>(d + i) + st.targetPitch, 1);
      k.blendRow(d, top, bottom, fy, colour, n);
    } else {
      k.writeRow(d, top, bottom, fy, colour, above, n);
    }
    mPixels += (uint64_t)n;
  }
  return true;
}

void Rasterizer::DrawLine(const RasterVertex& a, const RasterVertex& b) {
  const PipelineState& st = *mState;
  if (!Finite(a) || !Finite(b)) return;
  double dx = (double)b.x - a.x, dy = (double)b.y - a.y;
  if (dx == 0 && dy == 0) return;
  bool xMajor = std::fabs(dx) >= std::fabs(dy);
  Span s{};
  s.level = 0;
  s.level2 = -1;
  s.linear = !st.levels.empty() && st.magFilter == D3DTFG_LINEAR;
  s.perspective = false;
  s.constDiffuse = st.flat || SameColour(a.diffuse, b.diffuse, b.diffuse);
  s.constSpecular = st.flat || SameColour(a.specular, b.specular, b.specular);
  s.diffuseConst = PackColour(a.diffuse);
  s.specularConst = PackColour(a.specular);
  auto at = [&](double t, double dtdx) {
    s.z = (float)(a.z + (b.z - a.z) * t);
    s.dz = (float)((b.z - a.z) * dtdx);
    s.u = (float)(a.u + (b.u - a.u) * t);
    s.du = (float)((b.u - a.u) * dtdx);
    s.v = (float)(a.v + (b.v - a.v) * t);
    s.dv = (float)((b.v - a.v) * dtdx);
    s.rhw = a.rhw;
    s.drhw = 0;
    for (int ch = 0; ch < 4; ++ch) {
      s.c[ch] = (float)(a.diffuse[ch] + (b.diffuse[ch] - a.diffuse[ch]) * t);
      s.dc[ch] = (float)((b.diffuse[ch] - a.diffuse[ch]) * dtdx);
      s.s[ch] = (float)(a.specular[ch] + (b.specular[ch] - a.specular[ch]) * t);
      s.ds[ch] = (float)((b.specular[ch] - a.specular[ch]) * dtdx);
    }
  };
  if (xMajor) {
    // Columns from the start pixel up to, not including, the end pixel.
    int64_t first, last;
    int step = dx > 0 ? 1 : -1;
    if (dx > 0) {
      first = (int64_t)std::ceil(a.x - 0.5);
      last = (int64_t)std::ceil(b.x - 0.5) - 1;
    } else {
      first = (int64_t)std::floor(a.x + 0.5);
      last = (int64_t)std::floor(b.x + 0.5) + 1;
    }
    if ((last - first) * step < 0) return;
    // Walk left to right so runs on one row make one span.
    int64_t lo = std::min(first, last), hi = std::max(first, last);
    lo = std::max<int64_t>(lo, st.clipX0);
    hi = std::min<int64_t>(hi, st.clipX1 - 1);
    int64_t runStart = 0, runRow = 0;
    bool inRun = false;
    auto flush = [&](int64_t endCol) {
      if (!inRun) return;
      double t = ((double)runStart - a.x) / dx;
      at(t, 1.0 / dx);
      s.x = (int)runStart;
      s.y = (int)runRow;
      s.count = (int)(endCol - runStart);
      RunSpan(s);
      inRun = false;
    };
    for (int64_t col = lo; col <= hi; ++col) {
      double y = a.y + ((double)col - a.x) * dy / dx;
      int64_t row = (int64_t)std::floor(y + 0.5);
      bool visible = row >= st.clipY0 && row < st.clipY1;
      if (inRun && (!visible || row != runRow)) flush(col);
      if (visible && !inRun) {
        inRun = true;
        runStart = col;
        runRow = row;
      }
    }
    flush(hi + 1);
    return;
  }
  int64_t first, last;
  if (dy > 0) {
    first = (int64_t)std::ceil(a.y - 0.5);
    last = (int64_t)std::ceil(b.y - 0.5) - 1;
  } else {
    first = (int64_t)std::floor(a.y + 0.5);
    last = (int64_t)std::floor(b.y + 0.5) + 1;
  }
  int64_t lo = std::max<int64_t>(std::min(first, last), st.clipY0);
  int64_t hi = std::min<int64_t>(std::max(first, last), st.clipY1 - 1);
  for (int64_t row = lo; row <= hi; ++row) {
    double t = ((double)row - a.y) / dy;
    double x = a.x + dx * t;
    int64_t col = (int64_t)std::floor(x + 0.5);
    if (col < st.clipX0 || col >= st.clipX1) continue;
    at(t, 0.0);
    s.x = (int)col;
    s.y = (int)row;
    s.count = 1;
    RunSpan(s);
  }
}

void Rasterizer::DrawPoint(const RasterVertex& a) {
  const PipelineState& st = *mState;
  if (!Finite(a)) return;
  int64_t col = (int64_t)std::floor(a.x + 0.5), row = (int64_t)std::floor(a.y + 0.5);
  if (col < st.clipX0 || col >= st.clipX1 || row < st.clipY0 || row >= st.clipY1) return;
  Span s{};
  s.x = (int)col;
  s.y = (int)row;
  s.count = 1;
  s.z = a.z;
  s.rhw = a.rhw;
  s.u = a.u;
  s.v = a.v;
  s.level = 0;
  s.level2 = -1;
  s.linear = !st.levels.empty() && st.magFilter == D3DTFG_LINEAR;
  s.constDiffuse = s.constSpecular = true;
  s.diffuseConst = PackColour(a.diffuse);
  s.specularConst = PackColour(a.specular);
  RunSpan(s);
}

}  // namespace dx
