// Scan-line fill with 4 x 4 supersampling. Edges (quarter-pixel space, phase included) are
// bucketed by the first sub-scan-line whose centre they cross; each sub-scan-line walks the
// sorted active edges, keeps one fill value per layer (pens count windings, fill layers toggle)
// and adds the stretches of the visible colour to its class's coverage line as two-cell deltas.
// Shapes of one layer in one colour (glyphs) skip the layer values: their sorted crossings
// simply pair up. Every fourth sub-scan-line the running sums of those lines give 0 ... 16
// covered samples a pixel, and runs of equal coverage become spans: recorded for replay and at
// once drawn as one-pixel lines or blended into locked pixels.
#include "core/graphics/text/mini_vec_draw.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MINI_VEC_AVX2 1
#endif

#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/saturate.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/graphics/text/mini_vec_draw_numbers.h"

using namespace mini_vec_draw;

namespace {

bool CpuHasAvx2() {
#if defined(MINI_VEC_AVX2)
  // Static initialisers may run before the library's own CPU probe.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

}  // namespace

TKsMiniVecDraw* TKsMiniVecDraw::sInstance = nullptr;
bool TKsMiniVecDraw::sVectorFill = true;
bool TKsMiniVecDraw::sWide = CpuHasAvx2();

void TKsMiniVecDraw::SetWideVectors(bool on) { sWide = on && CpuHasAvx2(); }

namespace {

uint32_t WithAlpha(TColor32 c, uint32_t alpha) { c.SetA((uint8_t)alpha); return c.Value(); }

// Bytes of the stream up to and including its end command; colours it defines go to define.
// Lines and curves are told apart by branches: the next command's place is then foreseen
// instead of waiting for this one's byte.
template <typename F>
uint32_t ScanShape(const uint8_t* shape, uint32_t size, F define) {
  uint32_t p = 0;
  while (p < size) {
    const uint8_t op = shape[p];
    if (op == 6) {
      if (p + 9 > size) break;
      p += 9;
      continue;
    }
    if (op == 5) {
      if (p + 5 > size) break;
      p += 5;
      continue;
    }
    if (op < 1 || op > 8 || p + 1 + Operands(op) > size) break;
    if (op == 7) define(shape + p + 1);
    p += 1 + Operands(op);
    if (op == 8) break;
  }
  return p;
}

// 64-bit content hash of a shape: four words a step in four independent lanes, the words left
// one a lane, the last few bytes read as one word that overlaps the one before.
uint64_t HashBytes(const uint8_t* p, uint32_t n) {
  constexpr uint64_t kMul = 0xFF51AFD7ED558CCDull;
  uint64_t lane[4] = {0x9E3779B97F4A7C15ull ^ n, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull, 0x27D4EB2F165667C5ull};
  auto mix = [](uint64_t& h, uint64_t v) {
    h = (h ^ v) * kMul;
    h ^= h >> 32;
  };
  uint32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    for (int k = 0; k < 4; k++) {
      uint64_t v;
      memcpy(&v, p + i + 8 * k, 8);
      mix(lane[k], v);
    }
  }
  for (int k = 0; i + 8 <= n; i += 8, k++) {
    uint64_t v;
    memcpy(&v, p + i, 8);
    mix(lane[k], v);
  }
  if (i < n) {
    uint64_t v = 0;
    if (n >= 8)
      memcpy(&v, p + n - 8, 8);
    else
      for (uint32_t k = i; k < n; k++) v = v << 8 | p[k];
    mix(lane[3], v);
  }
  uint64_t h = lane[0] ^ lane[1] * 0x9E3779B97F4A7C15ull ^ lane[2] * 0xC2B2AE3D27D4EB4Full ^ lane[3] * 0x165667B19E3779F9ull;
  h *= kMul;
  return h ^ h >> 29;
}

}  // namespace

bool TKsMiniVecDraw::Key::operator==(const Key& o) const {
  return hash == o.hash && length == o.length && phaseX == o.phaseX && phaseY == o.phaseY &&
         italic == o.italic && scaleX == o.scaleX && scaleY == o.scaleY && pen0 == o.pen0 &&
         pen1 == o.pen1 && cosine == o.cosine && sine == o.sine;
}

size_t TKsMiniVecDraw::KeyHash(const Key& k) const {
  // Equal keys hash alike: -0 (equal to 0) counts as 0. Three independent products keep the
  // transform's six numbers off one long chain of multiplications.
  auto pair = [](float a, float b) {
    a += 0.0f;
    b += 0.0f;
    uint32_t x, y;
    memcpy(&x, &a, 4);
    memcpy(&y, &b, 4);
    return (uint64_t)x | (uint64_t)y << 32;
  };
  uint64_t h = k.hash ^ ((uint64_t)k.length << 32) ^ (k.phaseX | k.phaseY << 2 | k.italic << 4);
  h ^= pair(k.scaleX, k.scaleY) * 0x9E3779B97F4A7C15ull ^ pair(k.pen0, k.pen1) * 0xC2B2AE3D27D4EB4Full ^
       pair(k.cosine, k.sine) * 0x165667B19E3779F9ull;
  h *= 0xFF51AFD7ED558CCDull;
  return (size_t)(h ^ h >> 29);
}

TKsMiniVecDraw::TKsMiniVecDraw() {
  for (int n = 0; n < 256; n++) mClassOf[n] = n == 255 ? 0 : n == 254 ? 1 : n == 1 ? 3 : 2;
  memset(mPartial, 0, sizeof mPartial);
  memset(mRamp, 0, sizeof mRamp);
  memset(mCells, 0, sizeof mCells);
  for (int c = 0; c < 4; c++) mTouchedLo[c] = INT_MAX, mTouchedHi[c] = -1;
  SetColour(1, TColor(0, 0, 0, 1), 1.0f);
  mEdges.resize(512);
  mBatch.reserve(256);
  mLineDrawer = [](const TVertex* vertices, int count) {
    TVertexArray array = TVertexArray::Create2d(const_cast<TVertex*>(vertices), (uint32_t)count);
    TRenderer::Get()->DrawVertices(kPrimitiveLineList, &array);
  };
}

TKsMiniVecDraw::~TKsMiniVecDraw() {
  End();
  if (sInstance == this) sInstance = nullptr;
}

TKsMiniVecDraw& TKsMiniVecDraw::Get() {
  if (!sInstance) {
    static TKsMiniVecDraw fallback;
    sInstance = &fallback;
  }
  return *sInstance;
}

void TKsMiniVecDraw::SetInstance(TKsMiniVecDraw* instance) { sInstance = instance; }

void TKsMiniVecDraw::SetColour(int number, const TColor& colour, float alphaFactor) {
  if (number < 0 || number > 255) return;
  TColor32 c(colour);
  double scaled = (double)c.GetA() * alphaFactor;
  uint32_t a = (uint32_t)std::clamp(SaturateToInt32(scaled), 0, 255);
  SetColour32(number, c, a);
}

// Every shape sets colour 0 and its own colours again; tables that already hold the colour are
// left as they are.
void TKsMiniVecDraw::SetColour32(int number, TColor32 c, uint32_t a) {
  uint64_t key = 1ull << 32 | (c.Value() & 0xFFFFFFu) | a << 24;
  if (mColourKey[number] != key) {
    mColourKey[number] = key;
    static const uint32_t kPartial[4] = {17, 40, 73, 128};
    for (int k = 0; k < 4; k++) mPartial[number][k] = WithAlpha(c, a * kPartial[k] >> 8);
  }
  int cls = mClassOf[number];
  if (mRampKey[cls] != key) {
    mRampKey[cls] = key;
    uint32_t* ramp = mRamp[cls];
    for (int i = 0; i < 32; i++) ramp[i] = WithAlpha(c, i < 16 ? a * 16 * (i + 1) >> 8 : a * 255 >> 8);
  }
}

void TKsMiniVecDraw::SetOffset(int a, int b, int c) {
  mOffset[0] = a / 4.0f - 1.0f;
  mOffset[1] = b / 4.0f - 1.0f;
  mOffset[2] = c / 4.0f;
}

void TKsMiniVecDraw::SetBatchSize(int vertices) {
  FlushBatch();
  mBatchSize = std::clamp(vertices & ~1, 2, 256);
}

bool TKsMiniVecDraw::Begin(float x, float y, std::shared_ptr<TTexture> target) {
  if (target != mTexture) {
    End();
    if (target) {
      uint32_t* pixels = nullptr;
      int pitch = 0;
      if (!target->Lock(pixels, pitch)) return false;
      mTexture = target;
      mTexturePixels = TPixelTarget{pixels, target->GetWidth(), target->GetHeight(), pitch};
    }
  }
  // Lines on the screen are untextured.
  if (!target) TRenderer::Get()->SetTexture(nullptr);
  return Begin(x, y, mTexture ? &mTexturePixels : nullptr);
}

bool TKsMiniVecDraw::Begin(float x, float y, const TPixelTarget* pixels) {
  if (pixels != mTarget) {
    FlushBatch();
    if (mTexture && pixels != &mTexturePixels) ReleaseTexture();
    mTarget = pixels;
  }
  mOriginX = SaturateToInt32(x);
  mOriginY = SaturateToInt32(y);
  mPhaseX = SaturateToInt32((double)x * 4.0) % 4;
  mPhaseY = SaturateToInt32((double)y * 4.0) % 4;
  return true;
}

void TKsMiniVecDraw::End() {
  FlushBatch();
  mTarget = nullptr;
  if (mTexture) ReleaseTexture();
}

void TKsMiniVecDraw::ReleaseTexture() {
  mTexture->Unlock();
  mTexture.reset();
  // A texture is drawn by some window; the screen changed with it.
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TPlatformWindowManager* windows = platform->GetWindowManager()) windows->Invalidate();
}

void TKsMiniVecDraw::DrawShape(const uint8_t* shape, uint32_t size, int x, int y) {
  if (!shape) return;
  // Floor semantics for the split into whole pixels and phase: shapes left of or above the
  // origin must land on the same grid as the others.
  int64_t X = (int64_t)x + mPhaseX, Y = (int64_t)y + mPhaseY;
  mShapeX = (int)std::clamp<int64_t>(mOriginX + (X >> 2), INT_MIN / 2, INT_MAX / 2);
  mShapeY = (int)std::clamp<int64_t>(mOriginY + (Y >> 2), INT_MIN / 2, INT_MAX / 2);
  mShiftX = (int)(X & 3);
  mShiftY = (int)(Y & 3);

  // Colour 0 and the shape's own colours are set on every draw, so a replay sees the same
  // tables as the fill did.
  mColourCount = 0;
  SetColour32(0, TColor32(0), 0);
  uint32_t length = ScanShape(shape, size, [&](const uint8_t* rgb) {
    if (mColourCount < 255)
      SetColour(++mColourCount, TColor(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1), 1);
  });
  uint64_t hash = HashBytes(shape, length);

  Key key{hash, length, (uint8_t)mShiftX, (uint8_t)mShiftY, (uint8_t)mItalic, mScaleX, mScaleY,
          mPenWidth[0], mPenWidth[0] != 0 ? mPenWidth[1] : 0.0f, mCos, mSin};
  if (mSlots.empty()) mSlots.resize(64);
  const size_t slotHash = KeyHash(key);
  size_t mask = mSlots.size() - 1, slot = slotHash & mask;
  for (; mSlots[slot].generation == mGeneration; slot = (slot + 1) & mask) {
    if (!(mSlots[slot].key == key)) continue;
    mReplays++;
    const Entry& e = mSlots[slot].entry;
    if (e.rows)
      DrawMask(e);
    else
      DrawSpans(mSpans.data() + e.first, mSpans.data() + e.first + e.count);
    return;
  }
  // Kept coverage may take somewhat more room than its spans would; keys that never match
  // (a NaN in the transform) add entries without spans.
  if (GetCachedSpanCount() > mCacheLimit || mMaskEnd > 16 * mCacheLimit || mEntryCount > mCacheLimit) ClearCache();
  mFills++;
  const size_t first = mSpanCount;
  mFilledMask.rows = 0;
  if (ReadShape(shape, length)) Fill();
  const Entry entry = mFilledMask.rows ? mFilledMask : Entry{first, mSpanCount - first, 0, 0, 0, 0, 0};
  if (2 * (mEntryCount + 1) > mSlots.size()) {
    std::vector<Slot> slots(2 * mSlots.size());
    mask = slots.size() - 1;
    for (const Slot& s : mSlots) {
      if (s.generation != mGeneration) continue;
      size_t i = KeyHash(s.key) & mask;
      while (slots[i].generation == mGeneration) i = (i + 1) & mask;
      slots[i] = s;
    }
    mSlots.swap(slots);
  }
  slot = slotHash & mask;
  while (mSlots[slot].generation == mGeneration) slot = (slot + 1) & mask;
  mSlots[slot] = Slot{key, entry, mGeneration};
  mEntryCount++;
}

void TKsMiniVecDraw::ClearCache() {
  mSpanCount = mMaskEnd = mMaskSpans = mEntryCount = 0;
  if (++mGeneration == 0) {
    for (Slot& s : mSlots) s.generation = 0;
    mGeneration = 1;
  }
}

void TKsMiniVecDraw::Fill() {
  const int minRow = mBounds.minRow, maxRow = mBounds.maxRow;
  const bool oneColour = mBounds.oneColour, near = mBounds.near;
  if (oneColour && near && sVectorFill && FillParity(minRow, maxRow, mBounds.lowX, mBounds.highX)) return;
  mRowHead.assign(maxRow - minRow, -1);
  if ((int)mNext.size() < mEdgeCount) {
    mNext.resize(mEdgeCount);
    mActive.resize(mEdgeCount);
  }
  for (int i = mEdgeCount - 1; i >= 0; i--) {
    int& head = mRowHead[mEdges[i].startRow - minRow];
    mNext[i] = head;
    head = i;
  }
  if (oneColour && near)
    FillOneColour<true>(minRow, maxRow);
  else if (oneColour)
    FillOneColour<false>(minRow, maxRow);
  else
    FillLayers(minRow, maxRow);
  if (((maxRow - 1) & 3) != 3) EmitRow((maxRow - 1) >> 2);
}

// Every edge of one fill layer and one colour: each crossing toggles the colour, so the sorted
// crossings pair up into stretches and neither the order of equal crossings nor the layer
// values matter. Most shapes (glyphs, the layout's boxes) take this path. Near shapes (every
// crossing well inside the coverage line) need no clipping.
template <bool kNear>
void TKsMiniVecDraw::FillOneColour(int minRow, int maxRow) {
  const int cls = mClassOf[mEdges[0].fill];
  int8_t* cells = mCells[cls];
  Active* active = mActive.data();
  // nextEnd: the first sub-scan-line that one of the active edges no longer crosses.
  int count = 0, nextEnd = INT_MAX, lo = INT_MAX, hi = -1;
  for (int row = minRow; row < maxRow; row++) {
    int added = mRowHead[row - minRow];
    if (row == nextEnd || added >= 0) {
      // An edge that starts where another ends (the next side of an outline) takes its place,
      // which keeps the list close to sorted.
      if (row == nextEnd) {
        int kept = 0;
        nextEnd = INT_MAX;
        for (int k = 0; k < count; k++) {
          Active a = active[k];
          if (a.endRow <= row) {
            if (added < 0) continue;
            const Edge& e = mEdges[added];
            a = Active{e.xStart, e.slope, e.endRow, 0, 0, 0};
            added = mNext[added];
          }
          nextEnd = std::min(nextEnd, a.endRow);
          active[kept++] = a;
        }
        count = kept;
      }
      for (; added >= 0; added = mNext[added]) {
        const Edge& e = mEdges[added];
        active[count++] = Active{e.xStart, e.slope, e.endRow, 0, 0, 0};
        nextEnd = std::min(nextEnd, e.endRow);
      }
      SortByX(active, count);
    }
    // A pixel row whose edges neither start nor end below its first sub-scan-line is done in
    // one go when its crossings keep their order.
    if (kNear && (row & 3) == 0 && nextEnd >= row + 4 && sVectorFill && count >= 2 &&
        count <= kBlockEdges && mRowHead[row + 1 - minRow] < 0 && mRowHead[row + 2 - minRow] < 0 &&
        mRowHead[row + 3 - minRow] < 0 && FillBlock(cells, count, lo, hi)) {
      row += 3;
      EmitClass(cls, lo, hi, row >> 2);
      lo = INT_MAX;
      hi = -1;
      continue;
    }
    // Pairs of crossings enclose the colour; an odd one left over opens a stretch that nothing
    // closes and is dropped. Each edge moves on to the next sub-scan-line once passed.
    if (count >= 2) {
      bool unsorted = false;
      float previous = -INFINITY;
      int k = 0, first = 0, last = 0;
      for (; k + 1 < count; k += 2) {
        float xa = active[k].x, xb = active[k + 1].x;
        int s, end;
        if (kNear) {
          s = FloorNear(xa) + kQuarterLimit;
          end = FloorNear(xb) + kQuarterLimit;
        } else {
          s = std::max(Floor(xa), -kQuarterLimit) + kQuarterLimit;
          end = std::min(Floor(xb), kQuarterLimit) + kQuarterLimit;
        }
        if (k == 0) first = s;
        last = end;
        xa += active[k].slope;
        xb += active[k + 1].slope;
        active[k].x = xa;
        active[k + 1].x = xb;
        unsorted |= (xa < previous) | (xb < xa);
        previous = xb;
        if (s >= end) continue;
        cells[s >> 2] += 4 - (s & 3);
        cells[(s >> 2) + 1] += s & 3;
        cells[end >> 2] -= 4 - (end & 3);
        cells[(end >> 2) + 1] -= end & 3;
        if (!kNear) {
          lo = std::min(lo, s >> 2);
          hi = std::max(hi, (end >> 2) + 1);
        }
      }
      if (k < count) {
        active[k].x += active[k].slope;
        unsorted |= active[k].x < previous;
      }
      // Near, the first and last ends bound the row's changes (clipped ends may not).
      if (kNear) {
        lo = std::min(lo, first >> 2);
        hi = std::max(hi, (last >> 2) + 1);
      }
      if (unsorted) SortByX(active, count);
    } else if (count == 1) {
      active[0].x += active[0].slope;
    }
    if ((row & 3) == 3 && hi >= 0) {
      EmitClass(cls, lo, hi, row >> 2);
      lo = INT_MAX;
      hi = -1;
    }
  }
  mTouchedLo[cls] = lo;
  mTouchedHi[cls] = hi;
}

// The four sub-scan-lines of a pixel row for every active edge of a near one-colour shape.
// Each edge steps its crossing exactly as the row-by-row walk does; the row is taken only if
// the crossings keep their order on every sub-scan-line, so each edge's rank (even opens, odd
// closes, an odd last one is dropped) is the same on all four. Cells add up the same changes
// in another order (bytes wrap alike), and an edge that stays within one cell changes just
// two of them.
bool TKsMiniVecDraw::FillBlock(int8_t* cells, int count, int& lo, int& hi) {
  Active* active = mActive.data();
  alignas(16) int32_t q[kBlockEdges][4];
  float next[kBlockEdges];
#if defined(__SSE2__)
  __m128 previous = _mm_set1_ps(-INFINITY);
  int disorder = 0;
  const __m128i limit = _mm_set1_epi32(kQuarterLimit);
  for (int k = 0; k < count; k++) {
    float x0 = active[k].x, s = active[k].slope;
    float x1 = x0 + s, x2 = x1 + s, x3 = x2 + s;
    next[k] = x3 + s;
    __m128 x = _mm_setr_ps(x0, x1, x2, x3);
    disorder |= _mm_movemask_ps(_mm_cmplt_ps(x, previous));
    previous = x;
    // Floor: truncation, less one where that rounded up.
    __m128i t = _mm_cvttps_epi32(x);
    __m128i up = _mm_castps_si128(_mm_cmplt_ps(x, _mm_cvtepi32_ps(t)));
    _mm_store_si128((__m128i*)q[k], _mm_add_epi32(_mm_add_epi32(t, up), limit));
  }
  if (disorder) return false;
#else
  float previous[4] = {-INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (int k = 0; k < count; k++) {
    float x = active[k].x, s = active[k].slope;
    for (int j = 0; j < 4; j++, x += s) {
      if (x < previous[j]) return false;
      previous[j] = x;
      q[k][j] = FloorNear(x) + kQuarterLimit;
    }
    next[k] = x;
  }
#endif
  const int paired = count & ~1;
  for (int k = 0; k < paired; k++) {
    const int32_t* e = q[k];
    // Openings add coverage, closings take it away.
    const int sign = k & 1 ? -1 : 1;
    int c = e[0] >> 2;
    if (c == e[3] >> 2) {
      int f = (e[0] & 3) + (e[1] & 3) + (e[2] & 3) + (e[3] & 3);
      cells[c] += (int8_t)(sign * (16 - f));
      cells[c + 1] += (int8_t)(sign * f);
    } else {
      for (int j = 0; j < 4; j++) {
        cells[e[j] >> 2] += (int8_t)(sign * (4 - (e[j] & 3)));
        cells[(e[j] >> 2) + 1] += (int8_t)(sign * (e[j] & 3));
      }
    }
  }
  // Edges move monotonically, so the first and fourth crossings bound the row.
  lo = std::min(lo, std::min(q[0][0], q[0][3]) >> 2);
  hi = std::max(hi, (std::max(q[paired - 1][0], q[paired - 1][3]) >> 2) + 1);
  bool unsorted = false;
  for (int k = 0; k < count; k++) {
    active[k].x = next[k];
    unsorted |= k > 0 && next[k] < next[k - 1];
  }
  if (unsorted) SortByX(active, count);
  return true;
}

inline void TKsMiniVecDraw::SortByX(Active* active, int count) {
  for (int i = 1; i < count; i++) {
    if (!(active[i - 1].x > active[i].x)) continue;
    Active moving = active[i];
    int j = i;
    for (; j > 0 && active[j - 1].x > moving.x; j--) active[j] = active[j - 1];
    active[j] = moving;
  }
}

// The general walk: pens count windings, fill layers switch between their fill bytes, and the
// highest layer showing a colour wins. The order of equal crossings matters here, so the
// active list is sorted stably from one sub-scan-line to the next.
void TKsMiniVecDraw::FillLayers(int minRow, int maxRow) {
  int count = 0;
  Active* active = mActive.data();
  uint8_t value[kMaxLayer + 1];
  for (int row = minRow; row < maxRow; row++) {
    int kept = 0;
    for (int i = 0; i < count; i++) {
      Active a = active[i];
      if (a.endRow <= row) continue;
      a.x += a.slope;
      active[kept++] = a;
    }
    count = kept;
    for (int i = mRowHead[row - minRow]; i >= 0; i = mNext[i]) {
      const Edge& e = mEdges[i];
      active[count++] = Active{e.xStart, e.slope, e.endRow, e.fill, e.layer, (int8_t)(e.reversed ? 1 : -1)};
    }
    SortByX(active, count);

    if (count) {
      // One value per layer; the set bits of present say which layers show a colour, so the
      // visible one is the highest set bit's.
      memset(value, 0, mTopLayer + 1);
      uint64_t present = 0;
      int winding[2] = {0, 0};
      int visible = 0, start = 0;
      for (int i = 0; i < count; i++) {
        const Active& a = active[i];
        int q = Floor(a.x);
        uint8_t v;
        if (a.layer < 2) {
          winding[a.layer] += a.winding;
          v = winding[a.layer] ? 255 - a.layer : 0;
        } else {
          v = value[a.layer] != a.fill ? a.fill : 0;
        }
        value[a.layer] = v;
        present = v ? present | 1ull << a.layer : present & ~(1ull << a.layer);
        int now = present ? value[63 - __builtin_clzll(present)] : 0;
        if (now != visible) {
          if (visible) AddStretch(mClassOf[visible], start, q - 1);
          visible = now;
          start = q;
        }
      }
    }
    if ((row & 3) == 3) EmitRow(row >> 2);
  }
}

inline void TKsMiniVecDraw::AddStretch(int cls, int s, int e) {
  // Clipped to the coverage line; the cells past its end only absorb the closing deltas.
  s = std::max(s, -kQuarterLimit) + kQuarterLimit;
  int end = std::min(e + 1, kQuarterLimit) + kQuarterLimit;
  if (s >= end) return;
  int8_t* cells = mCells[cls];
  cells[s >> 2] += 4 - (s & 3);
  cells[(s >> 2) + 1] += s & 3;
  cells[end >> 2] -= 4 - (end & 3);
  cells[(end >> 2) + 1] -= end & 3;
  mTouchedLo[cls] = std::min(mTouchedLo[cls], s >> 2);
  mTouchedHi[cls] = std::max(mTouchedHi[cls], (end >> 2) + 1);
}

void TKsMiniVecDraw::EmitRow(int row) {
  for (int cls = 0; cls < 4; cls++) {
    if (mTouchedHi[cls] < 0) continue;
    EmitClass(cls, mTouchedLo[cls], mTouchedHi[cls], row);
    mTouchedLo[cls] = INT_MAX;
    mTouchedHi[cls] = -1;
  }
}

void TKsMiniVecDraw::EmitClass(int cls, int lo, int hi, int row) {
  if (!mTarget) return EmitClass<kLines>(cls, lo, hi, row);
  if (mReplace) return EmitClass<kReplace>(cls, lo, hi, row);
  if (mAccumulate) return EmitClass<kAccumulate>(cls, lo, hi, row);
#if defined(__SSE2__)
  if (sVectorFill && hi < kCells - 16 && BlendRow(cls, lo, hi, row)) return EmitClass<kSpansOnly>(cls, lo, hi, row);
#endif
  EmitClass<kBlend>(cls, lo, hi, row);
}

#if defined(__SSE2__)
// Blending over a whole row at once: the running sums of the cells give each pixel's coverage.
// Rows with sums past 16 (never met in practice) go span by span. The spans are recorded
// afterwards.
bool TKsMiniVecDraw::BlendRow(int cls, int lo, int hi, int row) {
  const TPixelTarget& t = *mTarget;
  const int y = mShapeY + row;
  if (!t.pixels || y < 0 || y >= t.height) return true;
  // Pixels of the cells lo ... hi that lie on the target.
  const int base = mShapeX - kCells / 2;
  const int from = std::max(lo, -base), to = std::min(hi + 1, t.width - base);
  if (from >= to) return true;
  const int8_t* cells = mCells[cls];
  uint8_t* coverage = mCoverage;
  // Sixteen running sums at a time, carried on from cell lo.
  __m128i carry = _mm_setzero_si128(), most = _mm_setzero_si128();
  for (int c = lo; c < to; c += 16) {
    __m128i v = _mm_loadu_si128((const __m128i*)(cells + c));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 1));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 2));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 4));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 8));
    v = _mm_add_epi8(v, carry);
    _mm_storeu_si128((__m128i*)(coverage + (c - lo)), v);
    most = _mm_max_epu8(most, v);
    // The last sum in every byte.
    __m128i last = _mm_shufflehi_epi16(_mm_unpackhi_epi8(v, v), 0xFF);
    carry = _mm_unpackhi_epi64(last, last);
  }
  // Bytes past to were summed too; only those up to to count.
  const __m128i sixteen = _mm_set1_epi8(16);
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(most, sixteen), sixteen)) != 0xFFFF) {
    for (int c = lo; c < to; c++)
      if (coverage[c - lo] > 16) return false;
  }
  BlendCoverage(mRamp[cls][15], coverage + (from - lo), 0, t.pixels + (size_t)y * t.pitch + (base + from), 0, to - from, 1);
  return true;
}

#if defined(MINI_VEC_AVX2)
namespace {

// Four pixels of 16-bit channels over d, as BlendCoverage's blend2.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Blend16(__m256i d, __m256i alpha, __m256i source) {
  const __m256i v = _mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), alpha)),
                                     _mm256_mullo_epi16(source, alpha));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi16((short)0x8081)), 7);
}

// BlendCoverage eight pixels at a time: the same arithmetic in 256-bit units. Unpacking works
// within each 128-bit half, so the low unpack holds pixels 0, 1, 4, 5 and the high one 2, 3,
// 6, 7; each pixel's alpha is spread over its channels by a byte shuffle in that order.
[[gnu::target("avx2")]] void BlendCoverageAvx2(uint32_t colour, const uint8_t* coverage, size_t coveragePitch,
                                               uint32_t* pixels, size_t pitch, int count, int rows) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i source = _mm256_unpacklo_epi8(_mm256_set1_epi32((int)colour), zero);
  const __m256i keepAlpha = _mm256_set1_epi32((int)0xFF000000u);
  const __m256i solid = _mm256_set1_epi32((int)(colour & 0xFFFFFFu));
  const bool opaque = colour >> 24 == 255;
  // The alpha of coverage c at byte c - 1, so that no coverage (byte -1) looks up zero.
  alignas(16) uint8_t alphaOf[16];
  for (uint32_t c = 1; c <= 16; c++) alphaOf[c - 1] = (uint8_t)(c * (colour >> 24) * 16 >> 8);
  const __m128i alphaTable = _mm_load_si128((const __m128i*)alphaOf), one = _mm_set1_epi8(1);
  // Byte i of the alphas to the four 16-bit channels of pixel i: -1 clears the high bytes.
  const __m256i spreadLow = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 1, -1, 1, -1, 1, -1, 1, -1,
                                             4, -1, 4, -1, 4, -1, 4, -1, 5, -1, 5, -1, 5, -1, 5, -1);
  const __m256i spreadHigh = _mm256_setr_epi8(2, -1, 2, -1, 2, -1, 2, -1, 3, -1, 3, -1, 3, -1, 3, -1,
                                              6, -1, 6, -1, 6, -1, 6, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  for (; rows > 0; rows--, coverage += coveragePitch, pixels += pitch) {
    for (int c = 0; c + 8 <= count; c += 8) {
      uint64_t eight;
      memcpy(&eight, coverage + c, 8);
      if (!eight) continue;
      const __m256i d = _mm256_loadu_si256((const __m256i*)(pixels + c));
      if (eight == 0x1010101010101010ull && opaque) {
        _mm256_storeu_si256((__m256i*)(pixels + c), _mm256_or_si256(_mm256_and_si256(keepAlpha, d), solid));
        continue;
      }
      const __m128i alpha = _mm_shuffle_epi8(alphaTable, _mm_sub_epi8(_mm_cvtsi64_si128((long long)eight), one));
      const __m256i alphas = _mm256_broadcastq_epi64(alpha);
      const __m256i low = Blend16(_mm256_unpacklo_epi8(d, zero), _mm256_shuffle_epi8(alphas, spreadLow), source);
      const __m256i high = Blend16(_mm256_unpackhi_epi8(d, zero), _mm256_shuffle_epi8(alphas, spreadHigh), source);
      const __m256i out = _mm256_packus_epi16(low, high);
      _mm256_storeu_si256((__m256i*)(pixels + c), _mm256_blendv_epi8(out, d, keepAlpha));
    }
  }
}

}  // namespace
#endif

// One pixel in 0 ... 16 coverage takes the ramp's alpha, 16 * coverage * a / 256 (none for no
// coverage, exactly as the spans leave it). Rows of count pixels, the constants made once.
void TKsMiniVecDraw::BlendCoverage(uint32_t colour, const uint8_t* coverage, size_t coveragePitch, uint32_t* pixels,
                                   size_t pitch, int count, int rows) {
  const uint32_t a16 = (colour >> 24) * 16;
  const __m128i zero = _mm_setzero_si128();
  const __m128i source = _mm_unpacklo_epi8(_mm_set1_epi32((int)colour), zero);
  const __m128i scale = _mm_set1_epi16((short)a16), full = _mm_set1_epi16(255);
  const __m128i divide = _mm_set1_epi16((short)0x8081);
  const __m128i keepAlpha = _mm_set1_epi32((int)0xFF000000u);
  const __m128i solid = _mm_set1_epi32((int)(colour & 0xFFFFFFu));
  const bool opaque = colour >> 24 == 255;
  // Two pixels of 16-bit channels: (d * (255 - alpha) + c * alpha) / 255, exactly (v / 255 is
  // v * 0x8081 >> 23 for every 16-bit v).
  auto blend2 = [&](__m128i d, __m128i alpha) {
    __m128i v = _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(full, alpha)), _mm_mullo_epi16(source, alpha));
    return _mm_srli_epi16(_mm_mulhi_epu16(v, divide), 7);
  };
  int first = 0;
#if defined(MINI_VEC_AVX2)
  if (sWide) {
    first = count & ~7;
    BlendCoverageAvx2(colour, coverage, coveragePitch, pixels, pitch, first, rows);
  }
#endif
  for (; rows > 0; rows--, coverage += coveragePitch, pixels += pitch) {
    int c = first;
    for (; c + 4 <= count; c += 4) {
      uint32_t four;
      memcpy(&four, coverage + c, 4);
      if (!four) continue;
      __m128i d = _mm_loadu_si128((const __m128i*)(pixels + c));
      if (four == 0x10101010u && opaque) {
        // Fully covered by an opaque colour: the colour itself, as the blend would give.
        _mm_storeu_si128((__m128i*)(pixels + c), _mm_or_si128(_mm_and_si128(keepAlpha, d), solid));
        continue;
      }
      __m128i alpha = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)four), zero), scale), 8);
      alpha = _mm_unpacklo_epi16(alpha, alpha);
      __m128i lo2 = blend2(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(alpha, alpha));
      __m128i hi2 = blend2(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(alpha, alpha));
      __m128i out = _mm_packus_epi16(lo2, hi2);
      out = _mm_or_si128(_mm_andnot_si128(keepAlpha, out), _mm_and_si128(keepAlpha, d));
      _mm_storeu_si128((__m128i*)(pixels + c), out);
    }
    for (; c < count; c++) {
      uint32_t cov = coverage[c];
      if (!cov) continue;
      uint32_t alpha = cov * a16 >> 8;
      __m128i a = _mm_set1_epi16((short)alpha);
      __m128i d = _mm_cvtsi32_si128((int)pixels[c]);
      __m128i out = _mm_packus_epi16(blend2(_mm_unpacklo_epi8(d, zero), a), zero);
      pixels[c] = ((uint32_t)_mm_cvtsi128_si32(out) & 0xFFFFFFu) | (pixels[c] & 0xFF000000u);
    }
  }
}
#endif

// Cells hold changes of coverage, so a run of equal coverage ends only at a non-zero cell:
// the scan reads eight cells at a time and visits only the non-zero ones (cells past the
// touched range are all zero). Every change is undone by the row's last one, so no run is
// left open. Each span is recorded and drawn at once.
template <int kMode>
void TKsMiniVecDraw::EmitClass(int cls, int c, int hi, int row) {
  int8_t* cells = mCells[cls];
  const uint32_t* ramp = mRamp[cls];
  const int y = mShapeY + row;
  uint32_t* pixels = nullptr;
  int width = 0;
  if (kMode != kLines && kMode != kSpansOnly) {
    const TPixelTarget& t = *mTarget;
    if (t.pixels && y >= 0 && y < t.height) {
      pixels = t.pixels + (size_t)y * t.pitch;
      width = t.width;
    }
  }
  // At most a span a cell.
  size_t need = mSpanCount + (hi - c + 1);
  if (need > mSpans.size()) mSpans.resize(2 * need);
  Span* out = mSpans.data() + mSpanCount;
  int sum = -1, runStart = c;
  for (; c <= hi; c += 8) {
    uint64_t word;
    memcpy(&word, cells + c, 8);
    if (!word) continue;
    memset(cells + c, 0, 8);
    do {
      int at = __builtin_ctzll(word) >> 3;
      int8_t change = (int8_t)(word >> 8 * at);
      word &= ~(0xFFull << 8 * at);
      at += c;
      if (kMode == kSpansOnly) {
        // Written always, kept only when covered: runs of no coverage are frequent and
        // unforeseeable.
        *out = Span((int16_t)(runStart - kCells / 2), (int16_t)(std::min(at, kCells) - kCells / 2), (int16_t)row,
                    (uint8_t)std::min(sum, 31), (uint8_t)cls);
        out += (sum >= 0) & (runStart < kCells);
      } else if (sum >= 0 && runStart < kCells) {
        Span span((int16_t)(runStart - kCells / 2), (int16_t)(std::min(at, kCells) - kCells / 2), (int16_t)row,
                  (uint8_t)std::min(sum, 31), (uint8_t)cls);
        *out++ = span;
        uint32_t colour = ramp[span.index];
        if (kMode == kLines)
          AddLine(mShapeX + span.x0, mShapeX + span.x1, y, colour);
        else if (kMode != kSpansOnly && pixels)
          PutRun<kMode>(pixels, mShapeX + span.x0, mShapeX + span.x1, width, colour);
      }
      sum += change;
      runStart = at;
    } while (word);
  }
  mSpanCount = out - mSpans.data();
}

void TKsMiniVecDraw::DrawSpans(const Span* first, const Span* end) {
  if (!mTarget) {
    for (const Span* i = first; i < end; i++) {
      const Span s = *i;
      AddLine(mShapeX + s.x0, mShapeX + s.x1, mShapeY + s.y, mRamp[s.cls][s.index]);
    }
    return;
  }
  const TPixelTarget& t = *mTarget;
  if (!t.pixels) return;
  for (const Span* i = first; i < end; i++) {
    const Span s = *i;
    int y = mShapeY + s.y;
    if (y < 0 || y >= t.height) continue;
    uint32_t* row = t.pixels + (size_t)y * t.pitch;
    int x0 = mShapeX + s.x0, x1 = mShapeX + s.x1;
    uint32_t colour = mRamp[s.cls][s.index];
    if (mReplace)
      PutRun<kReplace>(row, x0, x1, t.width, colour);
    else if (mAccumulate)
      PutRun<kAccumulate>(row, x0, x1, t.width, colour);
    else
      PutRun<kBlend>(row, x0, x1, t.width, colour);
  }
}

void TKsMiniVecDraw::AddLine(int x0, int x1, int y, uint32_t colour) {
  if (!mLineDrawer) return;
  const float k = mLineScale;
  float fy = (y + mOffset[2]) * k;
  mBatch.push_back(TVertex{(x0 + mOffset[0]) * k, fy, 0.1f, 0.5f, colour, 0, 0, 0});
  mBatch.push_back(TVertex{(x1 + mOffset[1]) * k, fy, 0.1f, 0.5f, colour, 0, 0, 0});
  if ((int)mBatch.size() >= mBatchSize) FlushBatch();
}

template <int kMode>
inline void TKsMiniVecDraw::PutRun(uint32_t* row, int x0, int x1, int width, uint32_t colour) {
  x0 = std::max(x0, 0);
  x1 = std::min(x1, width);
  uint32_t a = colour >> 24;
  if (kMode == kReplace) {
    std::fill(row + x0, row + std::max(x0, x1), colour);
    return;
  }
  uint32_t sr = colour >> 16 & 0xFF, sg = colour >> 8 & 0xFF, sb = colour & 0xFF;
  if (kMode == kAccumulate) {
    // A span without alpha adds nothing; dividing by a zero total would be undefined.
    if (a == 0) return;
    for (int x = x0; x < x1; x++) {
      uint32_t d = row[x], ad = d >> 24, total = ad + a;
      uint32_t r = ((d >> 16 & 0xFF) * ad + sr * a) / total;
      uint32_t g = ((d >> 8 & 0xFF) * ad + sg * a) / total;
      uint32_t b = ((d & 0xFF) * ad + sb * a) / total;
      row[x] = std::min(total, 255u) << 24 | r << 16 | g << 8 | b;
    }
    return;
  }
  // Blending over: full alpha gives the colour itself and none leaves the pixel, exactly as
  // the division would.
  if (a == 0 || x0 >= x1) return;
  if (a == 255) {
    for (int x = x0; x < x1; x++) row[x] = (row[x] & 0xFF000000u) | (colour & 0xFFFFFFu);
    return;
  }
  // Red and blue side by side in one word; v / 255 is (v + 1 + (v >> 8)) >> 8 for every
  // v up to 255 * 255. Partly covered runs are mostly one pixel long.
  uint32_t na = 255 - a, rb = (colour & 0xFF00FFu) * a, g = sg * a;
  uint32_t* p = row + x0;
  uint32_t* end = row + x1;
  do {
    uint32_t d = *p;
    uint32_t vrb = (d & 0xFF00FFu) * na + rb, vg = (d >> 8 & 0xFF) * na + g;
    vrb = (vrb + 0x10001u + (vrb >> 8 & 0xFF00FFu)) >> 8 & 0xFF00FFu;
    vg = (vg + 1 + (vg >> 8)) >> 8;
    *p = (d & 0xFF000000u) | vrb | vg << 8;
  } while (++p < end);
}

void TKsMiniVecDraw::FlushBatch() {
  if (!mBatch.empty() && mLineDrawer) mLineDrawer(mBatch.data(), (int)mBatch.size());
  mBatch.clear();
}
