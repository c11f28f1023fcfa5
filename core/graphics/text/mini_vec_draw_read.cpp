// Shape reading: a command stream (layers, fills, moves, lines, quadratic curves, colours) to
// the edges the filler walks, in quarter pixels with the shape's phase. Curves become three
// lines; pens add the sides of each line's stroke. Upright unstroked shapes (most glyphs) are
// read without a branch per edge: their points are listed first, a curve's three at once,
// then their edges are made four at a time with exactly the arithmetic AddEdge does.
#include "core/graphics/text/mini_vec_draw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/graphics/text/mini_vec_draw_numbers.h"

using namespace mini_vec_draw;

namespace {

int Ceil(float v) { return -Floor(-v); }

}  // namespace

// Shape units to quarter pixels: italic shear, scale, rotation (skipped while the sine is 0),
// then the shape's quarter-pixel phase. Each point is worked out the same way whichever edge
// it ends, so shared corners meet exactly.
struct TKsMiniVecDraw::ShapeTransform {
  float scaleX, scaleY, cosine, sine, shiftX, shiftY;
  bool italic;
  [[gnu::always_inline]] Point operator()(float x, float y) const {
    if (italic) x -= y / 3;
    x *= scaleX;
    y *= scaleY;
    if (sine != 0) {
      float rx = x * cosine - y * sine, ry = x * sine + y * cosine;
      x = rx;
      y = ry;
    }
    x += shiftX;
    y += shiftY;
    // The first sub-scan-line whose centre lies at or below y.
    return Point{x, y, Ceil(y - 0.5f)};
  }
};

bool TKsMiniVecDraw::ReadShape(const uint8_t* shape, uint32_t size) {
  mEdgeCount = 0;
  mLayer = mTopLayer = 2;
  mFillBase = mFill1 = mFill2 = 0;
  // A zero or broken scale draws nothing (and would give infinite stroke corners).
  if (!std::isfinite(mScaleX) || !std::isfinite(mScaleY) || mScaleX == 0 || mScaleY == 0) return false;
  // Glyphs are mostly drawn upright, plain and unstroked: that reading knows it at compile time.
  const bool plain = !mItalic && mSin == 0 && mPenWidth[0] == 0;
#if defined(__SSE2__)
  if (plain) return ReadPlain(shape, size);
#endif
  if (!(plain ? ReadCommands<true>(shape, size) : ReadCommands<false>(shape, size))) return false;
  MeasureEdges();
  return true;
}

template <bool kPlain>
bool TKsMiniVecDraw::ReadCommands(const uint8_t* shape, uint32_t size) {
  const ShapeTransform transform{mScaleX, mScaleY, kPlain ? 1 : mCos, kPlain ? 0 : mSin,
                                 (float)mShiftX, (float)mShiftY, kPlain ? false : mItalic};
  const bool pens = !kPlain && mPenWidth[0] != 0;
  // The pen in shape units (curves and strokes are worked out there) and transformed: each
  // point is transformed once and ends the one line and starts the next.
  float penX = 0, penY = 0;
  Point pen = transform(0, 0);
  uint8_t fill = 0;
  int colours = 0;
  // Edges go through a local pointer and the layer state lives in locals: the edges' byte
  // stores could alias any member, which would be read again after each one.
  int layer = mLayer, topLayer = mTopLayer, fillBase = mFillBase, fill1 = mFill1, fill2 = mFill2;
  Edge* out = mEdges.data() + mEdgeCount;
  Edge* end = mEdges.data() + mEdges.size();
  for (uint32_t p = 0; p < size;) {
    uint8_t op = shape[p];
    const uint8_t* a = shape + p + 1;
    p += 1 + Operands(op);  // ScanShape bounded size to whole commands
    // A curve makes three lines, each with up to six sides of each pen's stroke.
    if (out + 39 > end) {
      const size_t count = out - mEdges.data();
      mEdges.resize(2 * mEdges.size() + 39);
      out = mEdges.data() + count;
      end = mEdges.data() + mEdges.size();
    }
    switch (op) {
      case 1:
        if (layer < kMaxLayer) layer++;
        topLayer = std::max(topLayer, layer);
        fillBase = colours;
        fill1 = fill2 = 0;
        fill = 0;
        break;
      case 2:
        fill1 = a[0] ? std::min(255, fillBase + a[0]) : 0;
        fill = (uint8_t)(fill1 ? fill1 : fill2);
        break;
      case 3:
        fill2 = a[0] ? std::min(255, fillBase + a[0]) : 0;
        fill = (uint8_t)(fill1 ? fill1 : fill2);
        break;
      case 4:
        penX = Coordinate(a);
        penY = Coordinate(a + 2);
        pen = transform(penX, penY);
        break;
      case 5: {
        float x = Coordinate(a), y = Coordinate(a + 2);
        Point to = transform(x, y);
        if (pens) StrokeLine(out, transform, penX, penY, x, y);
        AddEdge(out, pen, to, fill, (uint8_t)layer);
        penX = x;
        penY = y;
        pen = to;
        break;
      }
      case 6: {
        float cx = Coordinate(a), cy = Coordinate(a + 2), x = Coordinate(a + 4), y = Coordinate(a + 6);
        // Three lines through the points at t = 1/3, 2/3 and 1 of p0 + 2t(c - p0) + t^2(p0 - 2c + p2).
        static constexpr float kT[3] = {1 / 3.0f, 2 / 3.0f, 3 / 3.0f};
        static constexpr float k2T[3] = {2 * kT[0], 2 * kT[1], 2 * kT[2]};
        static constexpr float kTT[3] = {kT[0] * kT[0], kT[1] * kT[1], kT[2] * kT[2]};
        float ax = cx - penX, ay = cy - penY, bx = penX - 2 * cx + x, by = penY - 2 * cy + y;
        float px = penX, py = penY;
#pragma GCC unroll 3
        for (int i = 0; i < 3; i++) {
          float nx = px + k2T[i] * ax + kTT[i] * bx;
          float ny = py + k2T[i] * ay + kTT[i] * by;
          Point to = transform(nx, ny);
          if (pens) StrokeLine(out, transform, penX, penY, nx, ny);
          AddEdge(out, pen, to, fill, (uint8_t)layer);
          penX = nx;
          penY = ny;
          pen = to;
        }
        // The pen ends on the curve's own end point, which the last step may miss by a rounding.
        if (penX != x || penY != y) {
          penX = x;
          penY = y;
          pen = transform(x, y);
        }
        break;
      }
      case 7: colours = std::min(255, colours + 1); break;
      default: break;
    }
  }
  mLayer = layer;
  mTopLayer = topLayer;
  mFillBase = fillBase;
  mFill1 = fill1;
  mFill2 = fill2;
  mEdgeCount = (int)(out - mEdges.data());
  return mEdgeCount > 0;
}

#if defined(__SSE2__)
namespace {

inline __m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }

// Ceil as the scalar one works it out (through the clamped Floor of the negation), kept in
// floats: every value it gives is a whole number well inside a float's exact range.
inline __m128 CeilClamped(__m128 v) {
  const __m128 sign = _mm_set1_ps(-0.0f);
  v = _mm_xor_ps(v, sign);
  v = _mm_max_ps(v, _mm_set1_ps(-1e7f));
  v = _mm_min_ps(v, _mm_set1_ps(1e7f));
  const __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(v));
  return _mm_xor_ps(_mm_sub_ps(t, _mm_and_ps(_mm_cmplt_ps(v, t), _mm_set1_ps(1.0f))), sign);
}

inline float Lane2(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 2)); }

}  // namespace

// Plain shapes in two passes: the commands become a list of transformed points (a curve's three
// at once), then the edges between neighbours are made four at a time with no branch per edge.
// Each lane does AddEdge's arithmetic exactly. Fill's bounds are taken more loosely than
// MeasureEdges takes them, which only ever picks another exact path: the points' x span holds
// every crossing (each within rounding of its edge), and a shape counts as one colour when all
// its line and curve commands are drawn in one fill and layer, kept edges or not.
bool TKsMiniVecDraw::ReadPlain(const uint8_t* shape, uint32_t size) {
  // A curve's nine bytes give at most four points (its three and the pen put back on its end);
  // four more past the last are read as a group's spare lanes.
  const size_t capacity = size / 2 + 9;
  if (mPointX.size() < capacity) {
    mPointX.resize(capacity);
    mPointY.resize(capacity);
    mPointRow.resize(capacity);
    mPointTail.resize(capacity);
  }
  float* xs = mPointX.data();
  float* ys = mPointY.data();
  float* rows = mPointRow.data();
  uint32_t* tails = mPointTail.data();
  const ShapeTransform transform{mScaleX, mScaleY, 1, 0, (float)mShiftX, (float)mShiftY, false};
  constexpr uint32_t kEdge = 0x80000000u;
  // The points' x span; a NaN (never near) is kept apart, as min and max would lose it.
  __m128 lowX = _mm_set1_ps(INFINITY), highX = _mm_set1_ps(-INFINITY), unordered = _mm_setzero_ps();
  int n = 0;
  auto put = [&](const Point& p, uint32_t tail) {
    const __m128 x = _mm_set1_ps(p.x);
    lowX = _mm_min_ps(lowX, x);
    highX = _mm_max_ps(highX, x);
    unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(x, x));
    xs[n] = p.x;
    ys[n] = p.y;
    rows[n] = (float)p.row;
    tails[n++] = tail;
  };
  float penX = 0, penY = 0;
  put(transform(0, 0), 0);
  uint8_t fill = 0;
  int colours = 0;
  int layer = mLayer, topLayer = mTopLayer, fillBase = mFillBase, fill1 = mFill1, fill2 = mFill2;
  uint32_t firstTail = 0, otherTails = 0;
  auto edgeTail = [&] {
    const uint32_t tail = kEdge | layer << 8 | fill;
    firstTail = firstTail ? firstTail : tail;
    otherTails |= tail ^ firstTail;
    return tail;
  };
  const __m128 scaleX = _mm_set1_ps(mScaleX), scaleY = _mm_set1_ps(mScaleY);
  const __m128 shiftX = _mm_set1_ps((float)mShiftX), shiftY = _mm_set1_ps((float)mShiftY);
  const __m128 half = _mm_set1_ps(0.5f);
  // t = 1/3, 2/3, 1 as ReadCommands has them; the fourth lane repeats the pen.
  const __m128 k2T = _mm_setr_ps(2 * (1 / 3.0f), 2 * (2 / 3.0f), 2 * (3 / 3.0f), 0);
  const __m128 kTT = _mm_setr_ps((1 / 3.0f) * (1 / 3.0f), (2 / 3.0f) * (2 / 3.0f), (3 / 3.0f) * (3 / 3.0f), 0);
  for (uint32_t p = 0; p < size;) {
    const uint8_t op = shape[p];
    const uint8_t* a = shape + p + 1;
    // Curves and lines first, by branches: the next command's place is then foreseen (ScanShape
    // bounded size to whole commands).
    if (op == 6) {
      p += 9;
      const float cx = Coordinate(a), cy = Coordinate(a + 2), x = Coordinate(a + 4), y = Coordinate(a + 6);
      const float ax = cx - penX, ay = cy - penY, bx = penX - 2 * cx + x, by = penY - 2 * cy + y;
      const __m128 px = _mm_add_ps(_mm_add_ps(_mm_set1_ps(penX), _mm_mul_ps(k2T, _mm_set1_ps(ax))),
                                   _mm_mul_ps(kTT, _mm_set1_ps(bx)));
      const __m128 py = _mm_add_ps(_mm_add_ps(_mm_set1_ps(penY), _mm_mul_ps(k2T, _mm_set1_ps(ay))),
                                   _mm_mul_ps(kTT, _mm_set1_ps(by)));
      const __m128 tx = _mm_add_ps(_mm_mul_ps(px, scaleX), shiftX);
      const __m128 ty = _mm_add_ps(_mm_mul_ps(py, scaleY), shiftY);
      lowX = _mm_min_ps(lowX, tx);
      highX = _mm_max_ps(highX, tx);
      unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(tx, tx));
      _mm_storeu_ps(xs + n, tx);
      _mm_storeu_ps(ys + n, ty);
      _mm_storeu_ps(rows + n, CeilClamped(_mm_sub_ps(ty, half)));
      _mm_storeu_si128((__m128i*)(tails + n), _mm_set1_epi32((int)edgeTail()));
      n += 3;
      // The pen ends on the curve's own end point, which the last step may miss by a rounding.
      const bool missed = Lane2(px) != x || Lane2(py) != y;
      penX = x;
      penY = y;
      if (missed) put(transform(x, y), 0);
      continue;
    }
    if (op == 5) {
      p += 5;
      penX = Coordinate(a);
      penY = Coordinate(a + 2);
      put(transform(penX, penY), edgeTail());
      continue;
    }
    p += 1 + Operands(op);
    switch (op) {
      case 1:
        if (layer < kMaxLayer) layer++;
        topLayer = std::max(topLayer, layer);
        fillBase = colours;
        fill1 = fill2 = 0;
        fill = 0;
        break;
      case 2:
        fill1 = a[0] ? std::min(255, fillBase + a[0]) : 0;
        fill = (uint8_t)(fill1 ? fill1 : fill2);
        break;
      case 3:
        fill2 = a[0] ? std::min(255, fillBase + a[0]) : 0;
        fill = (uint8_t)(fill1 ? fill1 : fill2);
        break;
      case 4:
        penX = Coordinate(a);
        penY = Coordinate(a + 2);
        put(transform(penX, penY), 0);
        break;
      case 7: colours = std::min(255, colours + 1); break;
      default: break;
    }
  }
  mLayer = layer;
  mTopLayer = topLayer;
  mFillBase = fillBase;
  mFill1 = fill1;
  mFill2 = fill2;
  for (int k = n; k < n + 4; k++) xs[k] = ys[k] = rows[k] = 0, tails[k] = 0;

  if ((int)mEdges.size() < n) mEdges.resize(2 * (size_t)n);
  static_assert(offsetof(Edge, slope) == 4 && offsetof(Edge, startRow) == 8 && offsetof(Edge, endRow) == 12 &&
                offsetof(Edge, fill) == 16 && offsetof(Edge, layer) == 17 && offsetof(Edge, reversed) == 18 &&
                sizeof(Edge) == 20, "edges are written sixteen bytes and a word at a time");
  Edge* out = mEdges.data();
  const __m128 zero = _mm_setzero_ps(), inf = _mm_set1_ps(INFINITY), minusInf = _mm_set1_ps(-INFINITY);
  const __m128 rowLow = _mm_set1_ps(-(float)kRowLimit), rowHigh = _mm_set1_ps((float)kRowLimit);
  const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3), rest = _mm_set1_epi32(0xFFFF), reversedBit = _mm_set1_epi32(0x10000);
  __m128 minRow = inf, maxRow = minusInf;
  for (int j = 1; j < n; j += 4) {
    const __m128 ax = _mm_loadu_ps(xs + j - 1), bx = _mm_loadu_ps(xs + j);
    const __m128 ay = _mm_loadu_ps(ys + j - 1), by = _mm_loadu_ps(ys + j);
    const __m128 ar = _mm_loadu_ps(rows + j - 1), br = _mm_loadu_ps(rows + j);
    const __m128i tail = _mm_loadu_si128((const __m128i*)(tails + j));
    // Ends swapped where the edge runs up: min and max for y, exchanged bits for x and rows.
    const __m128 reversed = _mm_cmplt_ps(by, ay);
    const __m128 y0 = _mm_min_ps(by, ay), y1 = _mm_max_ps(ay, by);
    const __m128 swapX = _mm_and_ps(reversed, _mm_xor_ps(ax, bx)), swapRow = _mm_and_ps(reversed, _mm_xor_ps(ar, br));
    const __m128 x0 = _mm_xor_ps(ax, swapX), x1 = _mm_xor_ps(bx, swapX);
    const __m128 start = _mm_max_ps(_mm_xor_ps(ar, swapRow), rowLow);
    const __m128 end = _mm_min_ps(_mm_xor_ps(br, swapRow), rowHigh);
    const __m128 sum = _mm_add_ps(_mm_add_ps(_mm_add_ps(x0, x1), y0), y1);
    const __m128i live = _mm_and_si128(_mm_srai_epi32(tail, 31), _mm_cmplt_epi32(lanes, _mm_set1_epi32(n - j)));
    const __m128 keep = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(start, end), _mm_cmpeq_ps(_mm_sub_ps(sum, sum), zero)),
                                   _mm_castsi128_ps(live));
    const __m128 slope = _mm_div_ps(_mm_sub_ps(x1, x0), _mm_sub_ps(y1, y0));
    const __m128 xStart = _mm_add_ps(x0, _mm_mul_ps(_mm_sub_ps(_mm_add_ps(start, half), y0), slope));
    minRow = _mm_min_ps(minRow, Select(keep, start, inf));
    maxRow = _mm_max_ps(maxRow, Select(keep, end, minusInf));

    __m128 e0 = xStart, e1 = slope, e2 = _mm_castsi128_ps(_mm_cvttps_epi32(start)), e3 = _mm_castsi128_ps(_mm_cvttps_epi32(end));
    _MM_TRANSPOSE4_PS(e0, e1, e2, e3);
    const __m128i more = _mm_or_si128(_mm_and_si128(tail, rest), _mm_and_si128(_mm_castps_si128(reversed), reversedBit));
    // Every lane is written; only the kept ones move the pointer on.
    const int kept = _mm_movemask_ps(keep);
    auto put = [&](__m128 edge, int word, int lane) {
      _mm_storeu_ps(reinterpret_cast<float*>(out), edge);
      memcpy(reinterpret_cast<char*>(out) + 16, &word, 4);
      out += kept >> lane & 1;
    };
    put(e0, _mm_cvtsi128_si32(more), 0);
    put(e1, _mm_cvtsi128_si32(_mm_shuffle_epi32(more, 1)), 1);
    put(e2, _mm_cvtsi128_si32(_mm_shuffle_epi32(more, 2)), 2);
    put(e3, _mm_cvtsi128_si32(_mm_shuffle_epi32(more, 3)), 3);
  }
  mEdgeCount = (int)(out - mEdges.data());
  if (mEdgeCount == 0) return false;
  auto least = [](__m128 v) {
    v = _mm_min_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_cvtss_f32(_mm_min_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1))));
  };
  auto most = [](__m128 v) {
    v = _mm_max_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_cvtss_f32(_mm_max_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1))));
  };
  // Plain layers are never below 2; one fill in one layer, and not the empty one.
  const float low = least(lowX), high = most(highX);
  const bool oneColour = otherTails == 0 && (firstTail & 0xFF) != 0;
  const bool near = _mm_movemask_ps(unordered) == 0 && std::max(-low, high) < kQuarterLimit - 400;
  mBounds = Bounds{(int)least(minRow), (int)most(maxRow), low, high, oneColour, near};
  return true;
}
#endif

void TKsMiniVecDraw::StrokeLine(Edge*& out, const ShapeTransform& transform, float x0, float y0, float x1, float y1) {
  float dx = x1 - x0, dy = y1 - y0;
  float length = std::sqrt(dx * dx + dy * dy);
  // A zero-length line has no direction to stroke across.
  for (int pen = 0; pen < 2 && mPenWidth[pen] != 0 && length > 0; pen++) {
    float w = mPenWidth[pen] * 4;
    float hx = w / mScaleX * dx / length, hy = w / mScaleY * dy / length;
    const Point corner[6] = {transform(x0 + hy, y0 - hx), transform(x0 - hx, y0 - hy),
                             transform(x0 - hy, y0 + hx), transform(x1 - hy, y1 + hx),
                             transform(x1 + hx, y1 + hy), transform(x1 + hy, y1 - hx)};
    for (int i = 0; i < 6; i++) AddEdge(out, corner[i], corner[(i + 1) % 6], 1, (uint8_t)pen);
  }
}

[[gnu::always_inline]] inline void TKsMiniVecDraw::AddEdge(Edge*& out, const Point& a, const Point& b, uint8_t fill, uint8_t layer) {
  bool reversed = b.y < a.y;
  const Point& p0 = reversed ? b : a;
  const Point& p1 = reversed ? a : b;
  // The edge crosses the centres of sub-scan-lines startRow ... endRow - 1.
  int startRow = std::max(-kRowLimit, p0.row);
  int endRow = std::min(kRowLimit, p1.row);
  if (startRow >= endRow) return;
  if (!std::isfinite(p0.x + p1.x + p0.y + p1.y)) return;
  if (!reversed && layer < 2) fill = 0;
  float slope = (p1.x - p0.x) / (p1.y - p0.y);
  float xStart = p0.x + ((float)startRow + 0.5f - p0.y) * slope;
  *out++ = Edge(xStart, slope, startRow, endRow, fill, layer, reversed);
}

void TKsMiniVecDraw::MeasureEdges() {
  int minRow = INT_MAX, maxRow = INT_MIN;
  const Edge& first = mEdges[0];
  bool oneColour = first.layer >= 2 && first.fill != 0;
  float reach = 0, lowX = INFINITY, highX = -INFINITY;
  for (int i = 0; i < mEdgeCount; i++) {
    const Edge& e = mEdges[i];
    minRow = std::min(minRow, e.startRow);
    maxRow = std::max(maxRow, e.endRow);
    oneColour = oneColour && e.layer == first.layer && e.fill == first.fill;
    const float run = e.slope * (float)(e.endRow - e.startRow);
    // A NaN crossing (an infinite slope started exactly on a line) sticks, so such a shape is
    // never near: the far path floors it safely.
    const float far = std::fabs(e.xStart) + std::fabs(run);
    reach = far > reach || far != far ? far : reach;
    lowX = std::min(lowX, std::min(e.xStart, e.xStart + run));
    highX = std::max(highX, std::max(e.xStart, e.xStart + run));
  }
  // Crossings stay within a hair of the edge's span (each step rounds by at most 2^-24 of x),
  // so shapes that reach less than this never meet the coverage line's ends.
  mBounds = Bounds{minRow, maxRow, lowX, highX, oneColour, reach < kQuarterLimit - 400};
}

