// Scan-line fill with 4 x 4 supersampling. Edges (quarter-pixel space, phase included) are
// bucketed by the first sub-scan-line whose centre they cross; each sub-scan-line walks the
// sorted active edges, keeps one fill value per layer (pens count windings, fill layers toggle)
// and adds the stretches of the visible colour to its class's coverage line as two-cell deltas.
// Every fourth sub-scan-line the running sums of those lines give 0 ... 16 covered samples a
// pixel, and runs of equal coverage become spans: recorded for replay, then drawn as one-pixel
// lines or blended into locked pixels.
#include "core/graphics/text/mini_vec_draw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/saturate.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"

TKsMiniVecDraw* TKsMiniVecDraw::sInstance = nullptr;

namespace {

constexpr int kMaxLayer = 63;
constexpr int kRowLimit = 8192;         // sub-scan-lines each side of the shape's position
constexpr int kQuarterLimit = 4 * 1600;  // quarter pixels each side of it on a coverage line
const int kOperands[9] = {-1, 0, 1, 1, 4, 4, 8, 3, 0};

int Floor(float v) {
  v = std::clamp(v, -1e7f, 1e7f);
  int i = (int)v;
  return v < (float)i ? i - 1 : i;
}

uint32_t WithAlpha(TColor32 c, uint32_t alpha) { c.SetA((uint8_t)alpha); return c.Value(); }

float Coordinate(const uint8_t* p) { return (int16_t)(p[0] | p[1] << 8) * 0.0078125f; }

// Bytes of the stream up to and including its end command; colours it defines go to define.
template <typename F>
uint32_t ScanShape(const uint8_t* shape, uint32_t size, F define) {
  uint32_t p = 0;
  while (p < size) {
    uint8_t op = shape[p];
    if (op < 1 || op > 8 || p + 1 + kOperands[op] > size) break;
    if (op == 7) define(shape + p + 1);
    p += 1 + kOperands[op];
    if (op == 8) break;
  }
  return p;
}

// 64-bit content hash of a shape, eight bytes a step.
uint64_t HashBytes(const uint8_t* p, uint32_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t v;
    memcpy(&v, p + i, 8);
    h = (h ^ v) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  for (; i < n; i++) h = (h ^ p[i]) * 0x100000001B3ull;
  return h ^ h >> 29;
}

int Ceil(float v) { return -Floor(-v); }

}  // namespace

bool TKsMiniVecDraw::Key::operator==(const Key& o) const {
  return hash == o.hash && length == o.length && phaseX == o.phaseX && phaseY == o.phaseY &&
         italic == o.italic && scaleX == o.scaleX && scaleY == o.scaleY && pen0 == o.pen0 &&
         pen1 == o.pen1 && cosine == o.cosine && sine == o.sine;
}

size_t TKsMiniVecDraw::KeyHash::operator()(const Key& k) const {
  uint64_t h = k.hash ^ ((uint64_t)k.length << 32) ^ (k.phaseX | k.phaseY << 2 | k.italic << 4);
  for (float f : {k.scaleX, k.scaleY, k.pen0, k.pen1, k.cosine, k.sine}) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    h = (h ^ bits) * 0x100000001B3ull;
  }
  return (size_t)(h ^ h >> 29);
}

TKsMiniVecDraw::TKsMiniVecDraw() {
  for (int n = 0; n < 256; n++) mClassOf[n] = n == 255 ? 0 : n == 254 ? 1 : n == 1 ? 3 : 2;
  memset(mPartial, 0, sizeof mPartial);
  memset(mRamp, 0, sizeof mRamp);
  memset(mCells, 0, sizeof mCells);
  for (int c = 0; c < 4; c++) mTouchedLo[c] = INT_MAX, mTouchedHi[c] = -1;
  SetColour(1, TColor(0, 0, 0, 1), 1.0f);
  mEdges.reserve(512);
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
  static const uint32_t kPartial[4] = {17, 40, 73, 128};
  for (int k = 0; k < 4; k++) mPartial[number][k] = WithAlpha(c, a * kPartial[k] >> 8);
  uint32_t* ramp = mRamp[mClassOf[number]];
  for (int i = 0; i < 32; i++) ramp[i] = WithAlpha(c, i < 16 ? a * 16 * (i + 1) >> 8 : a * 255 >> 8);
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
  SetColour(0, TColor(0, 0, 0, 0), 1.0f);
  uint32_t length = ScanShape(shape, size, [&](const uint8_t* rgb) {
    if (mColourCount < 255)
      SetColour(++mColourCount, TColor(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1), 1);
  });
  uint64_t hash = HashBytes(shape, length);

  Key key{hash, length, (uint8_t)mShiftX, (uint8_t)mShiftY, (uint8_t)mItalic, mScaleX, mScaleY,
          mPenWidth[0], mPenWidth[0] != 0 ? mPenWidth[1] : 0.0f, mCos, mSin};
  auto it = mCache.find(key);
  if (it != mCache.end()) {
    mReplays++;
    Replay(it->second);
    return;
  }
  if (mSpans.size() > mCacheLimit) ClearCache();
  mFills++;
  size_t first = mSpans.size();
  mRecording = true;
  if (ReadShape(shape, length)) Fill();
  mRecording = false;
  mCache.emplace(key, Entry{first, mSpans.size() - first});
}

bool TKsMiniVecDraw::ReadShape(const uint8_t* shape, uint32_t size) {
  mEdges.clear();
  mLayer = mTopLayer = 2;
  mFillBase = mFill1 = mFill2 = 0;
  mPenX = mPenY = 0;
  // A zero or broken scale draws nothing (and would give infinite stroke corners).
  if (!std::isfinite(mScaleX) || !std::isfinite(mScaleY) || mScaleX == 0 || mScaleY == 0) return false;
  int colours = 0;
  for (uint32_t p = 0; p < size;) {
    uint8_t op = shape[p];
    const uint8_t* a = shape + p + 1;
    p += 1 + kOperands[op];  // ScanShape bounded size to whole commands
    switch (op) {
      case 1:
        if (mLayer < kMaxLayer) mLayer++;
        mTopLayer = std::max(mTopLayer, mLayer);
        mFillBase = colours;
        mFill1 = mFill2 = 0;
        break;
      case 2: mFill1 = a[0] ? std::min(255, mFillBase + a[0]) : 0; break;
      case 3: mFill2 = a[0] ? std::min(255, mFillBase + a[0]) : 0; break;
      case 4: mPenX = Coordinate(a); mPenY = Coordinate(a + 2); break;
      case 5: {
        float x = Coordinate(a), y = Coordinate(a + 2);
        AddLine(mPenX, mPenY, x, y);
        mPenX = x;
        mPenY = y;
        break;
      }
      case 6: {
        float cx = Coordinate(a), cy = Coordinate(a + 2), x = Coordinate(a + 4), y = Coordinate(a + 6);
        float px = mPenX, py = mPenY;
        for (int i = 1; i <= 3; i++) {
          float t = i / 3.0f;
          float nx = px + 2 * t * (cx - px) + t * t * (px - 2 * cx + x);
          float ny = py + 2 * t * (cy - py) + t * t * (py - 2 * cy + y);
          AddLine(mPenX, mPenY, nx, ny);
          mPenX = nx;
          mPenY = ny;
        }
        mPenX = x;
        mPenY = y;
        break;
      }
      case 7: colours = std::min(255, colours + 1); break;
      default: break;
    }
  }
  return !mEdges.empty();
}

void TKsMiniVecDraw::AddLine(float x0, float y0, float x1, float y1) {
  float dx = x1 - x0, dy = y1 - y0;
  float length = mPenWidth[0] != 0 ? std::sqrt(dx * dx + dy * dy) : 0.0f;
  // A zero-length line has no direction to stroke across.
  for (int pen = 0; pen < 2 && mPenWidth[pen] != 0 && length > 0; pen++) {
    float w = mPenWidth[pen] * 4;
    float hx = w / mScaleX * dx / length, hy = w / mScaleY * dy / length;
    const float corner[6][2] = {{x0 + hy, y0 - hx}, {x0 - hx, y0 - hy}, {x0 - hy, y0 + hx},
                                {x1 - hy, y1 + hx}, {x1 + hx, y1 + hy}, {x1 + hy, y1 - hx}};
    for (int i = 0; i < 6; i++) {
      const float* from = corner[i];
      const float* to = corner[(i + 1) % 6];
      AddEdge(from[0], from[1], to[0], to[1], 1, (uint8_t)pen);
    }
  }
  AddEdge(x0, y0, x1, y1, (uint8_t)(mFill1 ? mFill1 : mFill2), (uint8_t)mLayer);
}

void TKsMiniVecDraw::AddEdge(float x0, float y0, float x1, float y1, uint8_t fill, uint8_t layer) {
  if (mItalic) {
    x0 -= y0 / 3;
    x1 -= y1 / 3;
  }
  x0 *= mScaleX; x1 *= mScaleX;
  y0 *= mScaleY; y1 *= mScaleY;
  if (mSin != 0) {
    float rx0 = x0 * mCos - y0 * mSin, ry0 = x0 * mSin + y0 * mCos;
    float rx1 = x1 * mCos - y1 * mSin, ry1 = x1 * mSin + y1 * mCos;
    x0 = rx0; y0 = ry0; x1 = rx1; y1 = ry1;
  }
  x0 += mShiftX; x1 += mShiftX;
  y0 += mShiftY; y1 += mShiftY;
  bool reversed = y1 < y0;
  if (reversed) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  if (!std::isfinite(x0 + x1 + y0 + y1)) return;
  // The edge crosses the centres of sub-scan-lines startRow ... endRow - 1.
  int startRow = std::max(-kRowLimit, Ceil(y0 - 0.5f));
  int endRow = std::min(kRowLimit, Ceil(y1 - 0.5f));
  if (startRow >= endRow) return;
  if (!reversed && layer < 2) fill = 0;
  Edge e;
  e.x0 = x0; e.y0 = y0; e.x1 = x1; e.y1 = y1;
  e.slope = (x1 - x0) / (y1 - y0);
  e.startRow = startRow;
  e.endRow = endRow;
  e.fill = fill;
  e.layer = layer;
  e.reversed = reversed;
  mEdges.push_back(e);
}

void TKsMiniVecDraw::Fill() {
  int minRow = INT_MAX, maxRow = INT_MIN;
  for (const Edge& e : mEdges) {
    minRow = std::min(minRow, e.startRow);
    maxRow = std::max(maxRow, e.endRow);
  }
  mRowHead.assign(maxRow - minRow, -1);
  mNext.resize(mEdges.size());
  for (int i = (int)mEdges.size() - 1; i >= 0; i--) {
    int& head = mRowHead[mEdges[i].startRow - minRow];
    mNext[i] = head;
    head = i;
  }
  mActive.clear();
  uint8_t value[kMaxLayer + 1];
  for (int row = minRow; row < maxRow; row++) {
    float y = row + 0.5f;
    size_t kept = 0;
    for (size_t i = 0; i < mActive.size(); i++) {
      Active a = mActive[i];
      if (a.endRow <= row) continue;
      a.x += a.slope;
      mActive[kept++] = a;
    }
    mActive.resize(kept);
    for (int i = mRowHead[row - minRow]; i >= 0; i = mNext[i]) {
      const Edge& e = mEdges[i];
      mActive.push_back(Active{e.x0 + (y - e.y0) * e.slope, e.slope, e.endRow, e.fill, e.layer,
                               (int8_t)(e.reversed ? 1 : -1)});
    }
    // Insertion sort: the order barely changes from one sub-scan-line to the next.
    for (size_t i = 1; i < mActive.size(); i++) {
      Active moving = mActive[i];
      size_t j = i;
      for (; j > 0 && mActive[j - 1].x > moving.x; j--) mActive[j] = mActive[j - 1];
      mActive[j] = moving;
    }

    if (!mActive.empty()) {
      // One value per layer; the set bits of present say which layers show a colour, so the
      // visible one is the highest set bit's.
      memset(value, 0, mTopLayer + 1);
      uint64_t present = 0;
      int winding[2] = {0, 0};
      int visible = 0, start = 0;
      for (const Active& a : mActive) {
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
  if (((maxRow - 1) & 3) != 3) EmitRow((maxRow - 1) >> 2);
}

void TKsMiniVecDraw::AddStretch(int cls, int s, int e) {
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
    int8_t* cells = mCells[cls];
    int lo = mTouchedLo[cls], hi = mTouchedHi[cls];
    int sum = -1, runSum = -1, runStart = lo;
    for (int c = lo; c <= hi; c++) {
      sum += cells[c];
      cells[c] = 0;
      if (sum == runSum) continue;
      if (runSum >= 0 && runStart < kCells) {
        Emit(Span{(int16_t)(runStart - kCells / 2), (int16_t)(std::min(c, kCells) - kCells / 2),
                  (int16_t)row, (uint8_t)std::min(runSum, 31), (uint8_t)cls});
      }
      runSum = sum;
      runStart = c;
    }
    mTouchedLo[cls] = INT_MAX;
    mTouchedHi[cls] = -1;
  }
}

void TKsMiniVecDraw::Replay(const Entry& entry) {
  for (size_t i = 0; i < entry.count; i++) Emit(mSpans[entry.first + i]);
}

void TKsMiniVecDraw::Emit(const Span& span) {
  if (mRecording) mSpans.push_back(span);
  uint32_t colour = mRamp[span.cls][span.index];
  int x0 = mShapeX + span.x0, x1 = mShapeX + span.x1, y = mShapeY + span.y;
  if (mTarget) {
    BlendSpan(x0, x1, y, colour);
    return;
  }
  AddLine(x0, x1, y, colour);
}

void TKsMiniVecDraw::AddLine(int x0, int x1, int y, uint32_t colour) {
  if (!mLineDrawer) return;
  const float k = mLineScale;
  float fy = (y + mOffset[2]) * k;
  mBatch.push_back(TVertex{(x0 + mOffset[0]) * k, fy, 0.1f, 0.5f, colour, 0, 0, 0});
  mBatch.push_back(TVertex{(x1 + mOffset[1]) * k, fy, 0.1f, 0.5f, colour, 0, 0, 0});
  if ((int)mBatch.size() >= mBatchSize) FlushBatch();
}

void TKsMiniVecDraw::BlendSpan(int x0, int x1, int y, uint32_t colour) {
  const TPixelTarget& t = *mTarget;
  if (y < 0 || y >= t.height || !t.pixels) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, t.width);
  uint32_t* row = t.pixels + (size_t)y * t.pitch;
  uint32_t a = colour >> 24;
  if (mReplace) {
    std::fill(row + x0, row + std::max(x0, x1), colour);
    return;
  }
  uint32_t sr = colour >> 16 & 0xFF, sg = colour >> 8 & 0xFF, sb = colour & 0xFF;
  if (mAccumulate) {
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
  uint32_t na = 255 - a;
  for (int x = x0; x < x1; x++) {
    uint32_t d = row[x];
    uint32_t r = ((d >> 16 & 0xFF) * na + sr * a) / 255;
    uint32_t g = ((d >> 8 & 0xFF) * na + sg * a) / 255;
    uint32_t b = ((d & 0xFF) * na + sb * a) / 255;
    row[x] = (d & 0xFF000000u) | r << 16 | g << 8 | b;
  }
}

void TKsMiniVecDraw::FlushBatch() {
  if (!mBatch.empty() && mLineDrawer) mLineDrawer(mBatch.data(), (int)mBatch.size());
  mBatch.clear();
}
