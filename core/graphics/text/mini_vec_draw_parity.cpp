// The parity fill of near one-colour shapes (glyphs). In one colour every crossing toggles the
// colour, so a sample is covered exactly when an odd number of its sub-scan-line's crossings
// lie at or left of it. Each crossing flips one bit (its quarter-pixel sample) of its line's bit
// row, and a prefix XOR along the row then leaves the samples between paired crossings set,
// whatever order the crossings were flipped in: every edge walks its own sub-scan-lines, with no
// active list and no sort. Counting the set bits of four lines nibble by nibble gives each
// pixel's 0 ... 16 covered samples, the same as the sorted walk's stretches. A line with an odd
// number of crossings drops its last one in the walk; shapes with such lines (open outlines)
// are left to the walk, as are shapes too large for a small bit buffer. A pixel row's four
// lines lie side by side word by word, so one load takes a word of all four; where the CPU
// has them the rows are counted in 256-bit units.
#include "core/graphics/text/mini_vec_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MINI_VEC_AVX2 1
#endif

#include "core/graphics/text/mini_vec_draw_numbers.h"

using mini_vec_draw::FloorNear;

namespace {

// Bit rows of at most this many 64-bit words (1024 pixels), this many words in all (2 MB).
constexpr int kParityWords = 64;
constexpr size_t kParityArea = 1 << 18;
constexpr int kCovered = 1, kOddLine = 2;

// One pixel row's coverage from its four lines of toggles (word w of line k at 4 w + k), a
// byte a pixel; returns kCovered when any sample is covered, kOddLine when a line ends covered (an odd
// count of crossings), and adds the row's spans (runs of equal coverage but none) to spans.
// Per nibble the set bits of its low and of its high pair are summed over the lines (at most 8
// each, so nibbles do not overflow), then the two sums of each nibble go to a byte of their
// own. The byte before the row is zero.
#if defined(__SSE2__)
// Stores sixteen pixels' coverage and counts the spans they start: a span starts where the
// coverage changes to some. Returns the pixels, the next group's `previous'.
inline __m128i StoreCoverage(uint8_t* at, __m128i now, __m128i previous, __m128i& starts) {
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128((__m128i*)at, now);
  const __m128i before = _mm_or_si128(_mm_slli_si128(now, 1), _mm_srli_si128(previous, 15));
  const __m128i same = _mm_or_si128(_mm_cmpeq_epi8(now, before), _mm_cmpeq_epi8(now, zero));
  starts = _mm_add_epi64(starts, _mm_sad_epu8(_mm_andnot_si128(same, _mm_set1_epi8(1)), zero));
  return now;
}

int CoverageRow(const uint64_t* row, int stride, uint8_t* coverage, size_t& spans) {
  const __m128i pairBits = _mm_set1_epi8(0x55), nibblePairs = _mm_set1_epi8(0x33), lowNibbles = _mm_set1_epi8(0x0F);
  // Lines 0 and 1 side by side, and 2 and 3.
  __m128i carry01 = _mm_setzero_si128(), carry23 = _mm_setzero_si128(), any = _mm_setzero_si128();
  auto prefix = [](__m128i x) {
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 1));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 2));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 4));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 8));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 16));
    return _mm_xor_si128(x, _mm_slli_epi64(x, 32));
  };
  // All ones in a lane whose last bit is set.
  auto spread = [](__m128i x) { return _mm_shuffle_epi32(_mm_srai_epi32(x, 31), 0xF5); };
  auto pairs = [&](__m128i x) { return _mm_sub_epi64(x, _mm_and_si128(_mm_srli_epi64(x, 1), pairBits)); };
  const __m128i zero = _mm_setzero_si128();
  __m128i previous = zero, starts = zero;
  for (int w = 0; w < stride; w++) {
    __m128i x01 = _mm_loadu_si128((const __m128i*)(row + 4 * w));
    __m128i x23 = _mm_loadu_si128((const __m128i*)(row + 4 * w + 2));
    x01 = _mm_xor_si128(prefix(x01), carry01);
    x23 = _mm_xor_si128(prefix(x23), carry23);
    carry01 = spread(x01);
    carry23 = spread(x23);
    any = _mm_or_si128(any, _mm_or_si128(x01, x23));
    __m128i p01 = pairs(x01), p23 = pairs(x23);
    __m128i low = _mm_add_epi8(_mm_and_si128(p01, nibblePairs), _mm_and_si128(p23, nibblePairs));
    __m128i high = _mm_add_epi8(_mm_and_si128(_mm_srli_epi64(p01, 2), nibblePairs),
                                _mm_and_si128(_mm_srli_epi64(p23, 2), nibblePairs));
    low = _mm_add_epi8(low, _mm_unpackhi_epi64(low, low));
    high = _mm_add_epi8(high, _mm_unpackhi_epi64(high, high));
    __m128i even = _mm_add_epi8(_mm_and_si128(low, lowNibbles), _mm_and_si128(high, lowNibbles));
    __m128i odd = _mm_add_epi8(_mm_and_si128(_mm_srli_epi64(low, 4), lowNibbles),
                               _mm_and_si128(_mm_srli_epi64(high, 4), lowNibbles));
    previous = StoreCoverage(coverage + 16 * w, _mm_unpacklo_epi8(even, odd), previous, starts);
  }
  spans += (size_t)_mm_cvtsi128_si32(starts) + (size_t)_mm_cvtsi128_si32(_mm_unpackhi_epi64(starts, starts));
  return (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) != 0xFFFF ? kCovered : 0) |
         (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(carry01, carry23), zero)) != 0xFFFF ? kOddLine : 0);
}
#else
// Bit i becomes the XOR of bits 0 ... i.
inline uint64_t PrefixXor(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  return x ^ x << 32;
}

int CoverageRow(const uint64_t* row, int stride, uint8_t* coverage, size_t& spans) {
  constexpr uint64_t kPairs = 0x5555555555555555ull, kNibblePairs = 0x3333333333333333ull;
  constexpr uint64_t kLowNibbles = 0x0F0F0F0F0F0F0F0Full;
  uint64_t carry[4] = {0, 0, 0, 0}, any = 0;
  for (int w = 0; w < stride; w++) {
    uint64_t low = 0, high = 0;
    for (int j = 0; j < 4; j++) {
      uint64_t x = PrefixXor(row[4 * w + j]) ^ carry[j];
      carry[j] = (uint64_t)((int64_t)x >> 63);
      any |= x;
      uint64_t pairs = x - (x >> 1 & kPairs);
      low += pairs & kNibblePairs;
      high += pairs >> 2 & kNibblePairs;
    }
    uint64_t even = (low & kLowNibbles) + (high & kLowNibbles);
    uint64_t odd = (low >> 4 & kLowNibbles) + (high >> 4 & kLowNibbles);
    for (int k = 0; k < 8; k++) {
      coverage[16 * w + 2 * k] = (uint8_t)(even >> 8 * k);
      coverage[16 * w + 2 * k + 1] = (uint8_t)(odd >> 8 * k);
    }
  }
  for (int i = 0; i < 16 * stride; i++) spans += coverage[i] != coverage[i - 1] && coverage[i] != 0;
  return (any != 0 ? kCovered : 0) | ((carry[0] | carry[1] | carry[2] | carry[3]) != 0 ? kOddLine : 0);
}
#endif

#if defined(MINI_VEC_AVX2)
// The same with a word of all four lines in one register: the prefix XOR once for the four,
// and each nibble's set bits looked up in a table of sixteen.
[[gnu::target("avx2")]] int CoverageRowAvx2(const uint64_t* row, int stride, uint8_t* coverage, size_t& spans) {
  const __m256i lowNibbles = _mm256_set1_epi8(0x0F);
  const __m256i bitsIn = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                          0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
  __m256i carry = _mm256_setzero_si256(), any = _mm256_setzero_si256();
  const __m128i zero = _mm_setzero_si128();
  __m128i previous = zero, starts = zero;
  for (int w = 0; w < stride; w++) {
    __m256i x = _mm256_loadu_si256((const __m256i*)(row + 4 * w));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 1));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 2));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 4));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 8));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 16));
    x = _mm256_xor_si256(x, _mm256_slli_epi64(x, 32));
    x = _mm256_xor_si256(x, carry);
    carry = _mm256_shuffle_epi32(_mm256_srai_epi32(x, 31), 0xF5);
    any = _mm256_or_si256(any, x);
    // Per line, the samples of each byte's first pixel (low nibble) and second (high nibble).
    const __m256i first = _mm256_shuffle_epi8(bitsIn, _mm256_and_si256(x, lowNibbles));
    const __m256i second = _mm256_shuffle_epi8(bitsIn, _mm256_and_si256(_mm256_srli_epi16(x, 4), lowNibbles));
    // Lines 0 + 1 in the low half, 2 + 3 in the high one, then the halves added.
    const __m256i pairs = _mm256_add_epi8(_mm256_unpacklo_epi64(first, second), _mm256_unpackhi_epi64(first, second));
    const __m128i sums = _mm_add_epi8(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
    previous = StoreCoverage(coverage + 16 * w, _mm_unpacklo_epi8(sums, _mm_unpackhi_epi64(sums, sums)), previous, starts);
  }
  spans += (size_t)_mm_cvtsi128_si32(starts) + (size_t)_mm_cvtsi128_si32(_mm_unpackhi_epi64(starts, starts));
  return (_mm256_testz_si256(any, any) ? 0 : kCovered) | (_mm256_testz_si256(carry, carry) ? 0 : kOddLine);
}
#endif

}  // namespace

bool TKsMiniVecDraw::FillParity(int minRow, int maxRow, float lowX, float highX) {
  // Bit rows from the pixel row holding minRow, whole pixel rows.
  const int base = minRow & ~3;
  const int lines = (maxRow - base + 3) & ~3;
  if ((size_t)lines > kParityArea) return false;
  // Each step of a crossing rounds by at most half an ulp, under 2^-12 for a near shape's
  // crossings (all below 8192 in size).
  const float slack = 1 + (float)(maxRow - minRow) * (1.0f / 4096);
  lowX -= slack;
  highX += slack;
  // Bit 0 is a pixel's first sample, so each nibble is one pixel.
  const int qLow = FloorNear(lowX) & ~3;
  const int stride = (FloorNear(highX) - qLow + 64) >> 6;
  if (stride > kParityWords || (size_t)lines * stride > kParityArea) return false;

  mBits.assign((size_t)lines * stride, 0);
  uint64_t* bits = mBits.data();
  const size_t rowWords = 4 * (size_t)stride;
  // Each edge flips its lines of the first pixel row one at a time, then whole rows, then the
  // rest; its crossings are stepped one after another as ever.
  for (int i = 0; i < mEdgeCount; i++) {
    const Edge& e = mEdges[i];
    const int first = e.startRow - base;
    uint64_t* row = bits + (size_t)(first >> 2) * rowWords;
    int k = first & 3, r = e.endRow - e.startRow;
    float x = e.xStart;
    const float slope = e.slope;
    if (slope == 0) {
      // Upright edges (stems) cross every line at the same sample.
      const int b = FloorNear(x) - qLow;
      const uint64_t bit = 1ull << (b & 63);
      uint64_t* word = row + 4 * (b >> 6);
      if (k) {
        for (; r > 0 && k < 4; r--, k++) word[k] ^= bit;
        word += rowWords;
      }
      for (; r >= 4; r -= 4, word += rowWords) {
        word[0] ^= bit;
        word[1] ^= bit;
        word[2] ^= bit;
        word[3] ^= bit;
      }
      for (k = 0; r > 0; r--, k++) word[k] ^= bit;
      continue;
    }
    auto flip = [&](uint64_t* at, int line, float cross) {
      const int b = FloorNear(cross) - qLow;
      at[4 * (b >> 6) + line] ^= 1ull << (b & 63);
    };
    if (k) {
      for (; r > 0 && k < 4; r--, k++, x += slope) flip(row, k, x);
      row += rowWords;
    }
#if defined(__SSE2__)
    // A row's four crossings floored together.
    const __m128i low = _mm_set1_epi32(qLow);
    for (; r >= 4; r -= 4, row += rowWords) {
      const float x1 = x + slope, x2 = x1 + slope, x3 = x2 + slope;
      const __m128 v = _mm_setr_ps(x, x1, x2, x3);
      x = x3 + slope;
      __m128i t = _mm_cvttps_epi32(v);
      t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmplt_ps(v, _mm_cvtepi32_ps(t))));
      alignas(16) int32_t b[4];
      _mm_store_si128((__m128i*)b, _mm_sub_epi32(t, low));
      row[4 * (b[0] >> 6)] ^= 1ull << (b[0] & 63);
      row[4 * (b[1] >> 6) + 1] ^= 1ull << (b[1] & 63);
      row[4 * (b[2] >> 6) + 2] ^= 1ull << (b[2] & 63);
      row[4 * (b[3] >> 6) + 3] ^= 1ull << (b[3] & 63);
    }
#endif
    for (k = 0; r > 0; r--, k++, x += slope) {
      if (k == 4) k = 0, row += rowWords;
      flip(row, k, x);
    }
  }

  // The shape's coverage, a byte a pixel, each row with sixteen zeros before and after it, past
  // the cached coverage; and whether each row covers anything. A line's last bit tells whether
  // its count of crossings is odd: such shapes go back to the walk before anything is drawn.
  const int cls = mClassOf[mEdges[0].fill];
  const int pixels = stride * 16, pitch = pixels + 16, rows = lines / 4;
  const size_t bytes = (size_t)rows * pitch + 16;
  if (mMasks.size() < mMaskEnd + bytes) mMasks.resize(2 * (mMaskEnd + bytes));
  mRowFlags.resize(rows);
  uint8_t* mask = mMasks.data() + mMaskEnd + 16;
  memset(mask - 16, 0, 16);
  int odd = 0;
  size_t spans = 0;
#if defined(MINI_VEC_AVX2)
  const bool avx2 = sWide;
#endif
  for (int r = 0; r < rows; r++) {
#if defined(MINI_VEC_AVX2)
    int flags = avx2 ? CoverageRowAvx2(bits + r * rowWords, stride, mask + (size_t)r * pitch, spans)
                     : CoverageRow(bits + r * rowWords, stride, mask + (size_t)r * pitch, spans);
#else
    int flags = CoverageRow(bits + r * rowWords, stride, mask + (size_t)r * pitch, spans);
#endif
    memset(mask + (size_t)r * pitch + pixels, 0, 16);
    mRowFlags[r] = (uint8_t)flags;
    odd |= flags;
  }
  if (odd & kOddLine) return false;
#if defined(__SSE2__)
  // Blending over pixels, the coverage itself is kept for replays unless it would take much
  // more room than the spans it stands for (a large shape with few edges).
  if (mTarget && !mReplace && !mAccumulate && spans > 0 && bytes <= 16 * spans + 64) {
    mFilledMask = Entry{mMaskEnd, 0, rows, pitch, qLow >> 2, base >> 2, cls};
    mMaskEnd += bytes;
    mMaskSpans += spans;
    DrawMask(mFilledMask);
    return true;
  }
#endif
  for (int r = 0; r < rows; r++)
    if (mRowFlags[r] & kCovered) EmitCoverage(cls, mask + (size_t)r * pitch, qLow >> 2, pixels, (base >> 2) + r);
  return true;
}

// Runs of equal coverage become spans, recorded and then drawn (blended over the whole row at
// once when blending over pixels). Coverage holds pixels px0 ... px0 + count - 1 of the shape,
// with zeros before and after it; count is a multiple of sixteen.
void TKsMiniVecDraw::EmitCoverage(int cls, const uint8_t* coverage, int px0, int count, int row) {
  size_t need = mSpanCount + count + 1;
  if (need > mSpans.size()) mSpans.resize(2 * need);
  const size_t first = mSpanCount;
  mSpanCount = CoverageSpans(cls, coverage, px0, count, row, mSpans.data() + first) - mSpans.data();
#if defined(__SSE2__)
  if (mTarget && !mReplace && !mAccumulate) {
    const TPixelTarget& t = *mTarget;
    const int y = mShapeY + row;
    if (!t.pixels || y < 0 || y >= t.height) return;
    const int x0 = mShapeX + px0;
    const int from = std::max(0, -x0), to = std::min(count, t.width - x0);
    if (from < to) BlendCoverage(mRamp[cls][15], coverage + from, 0, t.pixels + (size_t)y * t.pitch + (x0 + from), 0, to - from, 1);
    return;
  }
#endif
  DrawSpans(mSpans.data() + first, mSpans.data() + mSpanCount);
}

// The spans of one row of coverage (at most count + 1 of them), written from out on.
TKsMiniVecDraw::Span* TKsMiniVecDraw::CoverageSpans(int cls, const uint8_t* coverage, int px0, int count, int row, Span* out) {
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
  return out;
}

// A kept coverage drawn again: blended over the rows at once, or as the spans the fill would
// have recorded.
void TKsMiniVecDraw::DrawMask(const Entry& e) {
  const uint8_t* mask = mMasks.data() + e.first + 16;
  const int pixels = e.pitch - 16;
#if defined(__SSE2__)
  if (mTarget && !mReplace && !mAccumulate) {
    const TPixelTarget& t = *mTarget;
    const int x0 = mShapeX + e.px0;
    const int from = std::max(0, -x0), to = std::min(pixels, t.width - x0);
    if (!t.pixels || from >= to) return;
    const int top = std::max(0, -(mShapeY + e.row0)), bottom = std::min(e.rows, t.height - (mShapeY + e.row0));
    if (top < bottom)
      BlendCoverage(mRamp[e.cls][15], mask + (size_t)top * e.pitch + from, e.pitch,
                    t.pixels + (size_t)(mShapeY + e.row0 + top) * t.pitch + (x0 + from), t.pitch, to - from, bottom - top);
    return;
  }
#endif
  if ((int)mReplaySpans.size() < pixels + 1) mReplaySpans.resize(pixels + 1);
  for (int r = 0; r < e.rows; r++) {
    Span* end = CoverageSpans(e.cls, mask + (size_t)r * e.pitch, e.px0, pixels, e.row0 + r, mReplaySpans.data());
    DrawSpans(mReplaySpans.data(), end);
  }
}
