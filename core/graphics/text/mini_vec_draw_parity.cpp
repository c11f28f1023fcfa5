// The parity fill of near one-colour shapes (glyphs). In one colour every crossing toggles the
// colour, so a sample is covered exactly when an odd number of its sub-scan-line's crossings
// lie at or left of it. Each crossing flips one bit (its quarter-pixel sample) of its line's bit
// row, and a prefix XOR along the row then leaves the samples between paired crossings set,
// whatever order the crossings were flipped in: every edge walks its own sub-scan-lines, with no
// active list and no sort. Counting the set bits of four lines nibble by nibble gives each
// pixel's 0 ... 16 covered samples, the same as the sorted walk's stretches. A line with an odd
// number of crossings drops its last one in the walk; shapes with such lines (open outlines)
// are left to the walk, as are shapes too large for a small bit buffer.
#include "core/graphics/text/mini_vec_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Bit rows of at most this many 64-bit words (1024 pixels), this many words in all (2 MB).
constexpr int kParityWords = 64;
constexpr size_t kParityArea = 1 << 18;

inline int FloorNear(float v) {
  int i = (int)v;
  return i - (v < (float)i);
}

// Bit i becomes the XOR of bits 0 ... i.
inline uint64_t PrefixXor(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  return x ^ x << 32;
}

}  // namespace

bool TKsMiniVecDraw::FillParity(int minRow, int maxRow) {
  // Bit rows from the pixel row holding minRow, whole pixel rows.
  const int base = minRow & ~3;
  const int lines = (maxRow - base + 3) & ~3;
  if ((size_t)lines > kParityArea) return false;
  // The samples the crossings can reach, and each line's count of crossings (odd or even)
  // from where edges start and end.
  mLineParity.assign(lines + 1, 0);
  uint8_t* parity = mLineParity.data();
  float lowX = INFINITY, highX = -INFINITY;
  for (int i = 0; i < mEdgeCount; i++) {
    const Edge& e = mEdges[i];
    const int steps = e.endRow - e.startRow;
    const float last = e.xStart + e.slope * (float)(steps - 1);
    // Each step of a crossing rounds by at most half an ulp: a generous allowance for that.
    const float slack = 1 + (float)steps * (std::fabs(e.xStart) + std::fabs(last) + 1) * (1.0f / (1 << 22));
    lowX = std::min(lowX, std::min(e.xStart, last) - slack);
    highX = std::max(highX, std::max(e.xStart, last) + slack);
    parity[e.startRow - base] ^= 1;
    parity[e.endRow - base] ^= 1;
  }
  uint8_t odd = 0, anyOdd = 0;
  for (int r = 0; r < lines; r++) {
    odd ^= parity[r];
    anyOdd |= odd;
  }
  if (anyOdd) return false;
  // Bit 0 is a pixel's first sample, so each nibble is one pixel.
  const int qLow = FloorNear(lowX) & ~3;
  const int stride = (FloorNear(highX) - qLow + 64) >> 6;
  if (stride > kParityWords || (size_t)lines * stride > kParityArea) return false;

  mBits.assign((size_t)lines * stride, 0);
  uint64_t* bits = mBits.data();
  for (int i = 0; i < mEdgeCount; i++) {
    const Edge& e = mEdges[i];
    uint64_t* line = bits + (size_t)(e.startRow - base) * stride;
    float x = e.xStart;
    const float slope = e.slope;
    for (int r = e.endRow - e.startRow; r > 0; r--) {
      const int b = FloorNear(x) - qLow;
      line[b >> 6] ^= 1ull << (b & 63);
      line += stride;
      x += slope;
    }
  }

  // Coverage of a pixel row, one byte a pixel, with a zero before it and sixteen after.
  const int cls = mClassOf[mEdges[0].fill];
  const int pixels = stride * 16;
  uint8_t* coverage = mCoverage + 16;
  coverage[-1] = 0;
  memset(coverage + pixels, 0, 16);
  constexpr uint64_t kPairs = 0x5555555555555555ull, kNibblePairs = 0x3333333333333333ull;
  constexpr uint64_t kLowNibbles = 0x0F0F0F0F0F0F0F0Full;
  for (int r = 0; r < lines; r += 4) {
    const uint64_t* line = bits + (size_t)r * stride;
    uint64_t carry[4] = {0, 0, 0, 0}, any = 0;
    for (int w = 0; w < stride; w++) {
      // Per nibble, the set bits of its low and of its high pair, summed over the four lines
      // (at most 8 each, so nibbles do not overflow).
      uint64_t low = 0, high = 0;
      for (int j = 0; j < 4; j++) {
        uint64_t x = PrefixXor(line[j * stride + w]) ^ carry[j];
        carry[j] = (uint64_t)((int64_t)x >> 63);
        any |= x;
        uint64_t pairs = x - (x >> 1 & kPairs);
        low += pairs & kNibblePairs;
        high += pairs >> 2 & kNibblePairs;
      }
      // Even pixels in the low nibbles, odd ones in the high: a byte each.
      uint64_t even = (low & kLowNibbles) + (high & kLowNibbles);
      uint64_t oddPixels = (low >> 4 & kLowNibbles) + (high >> 4 & kLowNibbles);
#if defined(__SSE2__)
      _mm_storeu_si128((__m128i*)(coverage + 16 * w),
                       _mm_unpacklo_epi8(_mm_cvtsi64_si128((long long)even), _mm_cvtsi64_si128((long long)oddPixels)));
#else
      for (int k = 0; k < 8; k++) {
        coverage[16 * w + 2 * k] = (uint8_t)(even >> 8 * k);
        coverage[16 * w + 2 * k + 1] = (uint8_t)(oddPixels >> 8 * k);
      }
#endif
    }
    if (any) EmitCoverage(cls, coverage, qLow >> 2, pixels, (base + r) >> 2);
  }
  return true;
}

// Runs of equal coverage become spans, recorded and then drawn (blended over the whole row at
// once when blending over pixels). Coverage holds pixels px0 ... px0 + count - 1 of the shape,
// with zeros before and after it; count is a multiple of sixteen.
void TKsMiniVecDraw::EmitCoverage(int cls, const uint8_t* coverage, int px0, int count, int row) {
  size_t need = mSpanCount + count + 1;
  if (need > mSpans.size()) mSpans.resize(2 * need);
  const size_t first = mSpanCount;
  Span* out = mSpans.data() + first;
  int runStart = 0, value = 0;
  for (int i = 0; i <= count; i += 16) {
#if defined(__SSE2__)
    __m128i now = _mm_loadu_si128((const __m128i*)(coverage + i));
    __m128i before = _mm_loadu_si128((const __m128i*)(coverage + i - 1));
    uint32_t changes = ~(uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(now, before)) & 0xFFFF;
#else
    uint32_t changes = 0;
    for (int k = 0; k < 16; k++) changes |= (uint32_t)(coverage[i + k] != coverage[i + k - 1]) << k;
#endif
    while (changes) {
      const int at = i + __builtin_ctz(changes);
      changes &= changes - 1;
      // Written always, kept only when covered.
      *out = Span((int16_t)(px0 + runStart), (int16_t)(px0 + at), (int16_t)row, (uint8_t)(value - 1), (uint8_t)cls);
      out += value > 0;
      value = coverage[at];
      runStart = at;
    }
  }
  mSpanCount = out - mSpans.data();
#if defined(__SSE2__)
  if (mTarget && !mReplace && !mAccumulate) {
    const TPixelTarget& t = *mTarget;
    const int y = mShapeY + row;
    if (!t.pixels || y < 0 || y >= t.height) return;
    const int x0 = mShapeX + px0;
    const int from = std::max(0, -x0), to = std::min(count, t.width - x0);
    if (from < to) BlendCoverage(mRamp[cls][15], coverage + from, t.pixels + (size_t)y * t.pitch + (x0 + from), to - from);
    return;
  }
#endif
  DrawSpans(first, mSpanCount);
}
