// The shape filler against a straightforward one: every sub-scan-line sorts its crossings and
// walks them with one value per layer. The filler's quicker paths must give the same spans (same
// pixels, coverage, class and order) for glyphs and random shapes at many scales, phases,
// rotations, pens and italics, including open outlines, crossing edges, several layers and
// shapes far past the coverage line.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/vector_font.h"

namespace {

// A span as drawn: pixels [x0, x1) on row y, coverage - 1 (0 ... 15) and colour class.
struct Span {
  int x0, x1, y, index, cls;
  bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& s) {
  return out << "[" << s.x0 << "," << s.x1 << ") y " << s.y << " index " << s.index << " class " << s.cls;
}

struct Transform {
  float scaleX = 1, scaleY = 1, cosine = 1, sine = 0, pen0 = 0, pen1 = 0;
  bool italic = false;
};

// The straightforward filler.
class Reference {
 public:
  std::vector<Span> Fill(const uint8_t* shape, uint32_t size, const Transform& t, int shiftX, int shiftY) {
    mT = t;
    mShiftX = shiftX;
    mShiftY = shiftY;
    mSpans.clear();
    if (ReadShape(shape, Length(shape, size))) Walk();
    return mSpans;
  }

 private:
  static constexpr int kMaxLayer = 63, kRowLimit = 8192, kQuarterLimit = 6400, kCells = 3200;
  static constexpr int kOperands[9] = {-1, 0, 1, 1, 4, 4, 8, 3, 0};

  struct Edge {
    float x0, y0, x1, y1, slope;
    int startRow, endRow;
    uint8_t fill, layer;
    bool reversed;
  };
  struct Active {
    float x, slope;
    int endRow;
    uint8_t fill, layer;
    int winding;
  };

  static int Floor(float v) {
    v = std::clamp(v, -1e7f, 1e7f);
    int i = (int)v;
    return v < (float)i ? i - 1 : i;
  }
  static int Ceil(float v) { return -Floor(-v); }
  static int ClassOf(int colour) { return colour == 255 ? 0 : colour == 254 ? 1 : colour == 1 ? 3 : 2; }
  static float Coordinate(const uint8_t* p) { return (int16_t)(p[0] | p[1] << 8) * 0.0078125f; }

  static uint32_t Length(const uint8_t* shape, uint32_t size) {
    uint32_t p = 0;
    while (p < size) {
      uint8_t op = shape[p];
      if (op < 1 || op > 8 || p + 1 + kOperands[op] > size) break;
      p += 1 + kOperands[op];
      if (op == 8) break;
    }
    return p;
  }

  bool ReadShape(const uint8_t* shape, uint32_t size) {
    mEdges.clear();
    mLayer = mTopLayer = 2;
    mFillBase = mFill1 = mFill2 = 0;
    float penX = 0, penY = 0;
    if (!std::isfinite(mT.scaleX) || !std::isfinite(mT.scaleY) || mT.scaleX == 0 || mT.scaleY == 0) return false;
    int colours = 0;
    for (uint32_t p = 0; p < size;) {
      uint8_t op = shape[p];
      const uint8_t* a = shape + p + 1;
      p += 1 + kOperands[op];
      switch (op) {
        case 1:
          if (mLayer < kMaxLayer) mLayer++;
          mTopLayer = std::max(mTopLayer, mLayer);
          mFillBase = colours;
          mFill1 = mFill2 = 0;
          break;
        case 2: mFill1 = a[0] ? std::min(255, mFillBase + a[0]) : 0; break;
        case 3: mFill2 = a[0] ? std::min(255, mFillBase + a[0]) : 0; break;
        case 4: penX = Coordinate(a); penY = Coordinate(a + 2); break;
        case 5: {
          float x = Coordinate(a), y = Coordinate(a + 2);
          AddLine(penX, penY, x, y);
          penX = x;
          penY = y;
          break;
        }
        case 6: {
          float cx = Coordinate(a), cy = Coordinate(a + 2), x = Coordinate(a + 4), y = Coordinate(a + 6);
          float px = penX, py = penY;
          for (int i = 1; i <= 3; i++) {
            float t = i / 3.0f;
            float nx = px + 2 * t * (cx - px) + t * t * (px - 2 * cx + x);
            float ny = py + 2 * t * (cy - py) + t * t * (py - 2 * cy + y);
            AddLine(penX, penY, nx, ny);
            penX = nx;
            penY = ny;
          }
          penX = x;
          penY = y;
          break;
        }
        case 7: colours = std::min(255, colours + 1); break;
        default: break;
      }
    }
    return !mEdges.empty();
  }

  void AddLine(float x0, float y0, float x1, float y1) {
    float dx = x1 - x0, dy = y1 - y0;
    float length = mT.pen0 != 0 ? std::sqrt(dx * dx + dy * dy) : 0.0f;
    const float widths[2] = {mT.pen0, mT.pen1};
    for (int pen = 0; pen < 2 && widths[pen] != 0 && length > 0; pen++) {
      float w = widths[pen] * 4;
      float hx = w / mT.scaleX * dx / length, hy = w / mT.scaleY * dy / length;
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

  void AddEdge(float x0, float y0, float x1, float y1, uint8_t fill, uint8_t layer) {
    if (mT.italic) {
      x0 -= y0 / 3;
      x1 -= y1 / 3;
    }
    x0 *= mT.scaleX; x1 *= mT.scaleX;
    y0 *= mT.scaleY; y1 *= mT.scaleY;
    if (mT.sine != 0) {
      float rx0 = x0 * mT.cosine - y0 * mT.sine, ry0 = x0 * mT.sine + y0 * mT.cosine;
      float rx1 = x1 * mT.cosine - y1 * mT.sine, ry1 = x1 * mT.sine + y1 * mT.cosine;
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
    int startRow = std::max(-kRowLimit, Ceil(y0 - 0.5f));
    int endRow = std::min(kRowLimit, Ceil(y1 - 0.5f));
    if (startRow >= endRow) return;
    if (!reversed && layer < 2) fill = 0;
    mEdges.push_back(Edge{x0, y0, x1, y1, (x1 - x0) / (y1 - y0), startRow, endRow, fill, layer, reversed});
  }

  void Walk() {
    int minRow = INT_MAX, maxRow = INT_MIN;
    for (const Edge& e : mEdges) {
      minRow = std::min(minRow, e.startRow);
      maxRow = std::max(maxRow, e.endRow);
    }
    std::vector<int> order(mEdges.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = (int)i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return mEdges[a].startRow < mEdges[b].startRow; });
    size_t next = 0;
    std::vector<Active> active;
    for (int row = minRow; row < maxRow; row++) {
      float y = row + 0.5f;
      size_t kept = 0;
      for (size_t i = 0; i < active.size(); i++) {
        Active a = active[i];
        if (a.endRow <= row) continue;
        a.x += a.slope;
        active[kept++] = a;
      }
      active.resize(kept);
      for (; next < order.size() && mEdges[order[next]].startRow == row; next++) {
        const Edge& e = mEdges[order[next]];
        active.push_back(Active{e.x0 + (y - e.y0) * e.slope, e.slope, e.endRow, e.fill, e.layer, e.reversed ? 1 : -1});
      }
      std::stable_sort(active.begin(), active.end(), [](const Active& a, const Active& b) { return a.x < b.x; });
      uint8_t value[kMaxLayer + 1] = {};
      int winding[2] = {0, 0};
      int visible = 0, start = 0;
      for (const Active& a : active) {
        int q = Floor(a.x);
        uint8_t v;
        if (a.layer < 2) {
          winding[a.layer] += a.winding;
          v = winding[a.layer] ? 255 - a.layer : 0;
        } else {
          v = value[a.layer] != a.fill ? a.fill : 0;
        }
        value[a.layer] = v;
        int now = 0;
        for (int l = mTopLayer; l >= 0; l--) {
          if (value[l]) {
            now = value[l];
            break;
          }
        }
        if (now != visible) {
          if (visible) AddStretch(ClassOf(visible), start, q - 1);
          visible = now;
          start = q;
        }
      }
      if ((row & 3) == 3) EmitRow(row >> 2);
    }
    if (((maxRow - 1) & 3) != 3) EmitRow((maxRow - 1) >> 2);
  }

  void AddStretch(int cls, int s, int e) {
    s = std::max(s, -kQuarterLimit) + kQuarterLimit;
    int end = std::min(e + 1, kQuarterLimit) + kQuarterLimit;
    if (s >= end) return;
    std::vector<int>& cells = mCells[cls];
    cells[s >> 2] += 4 - (s & 3);
    cells[(s >> 2) + 1] += s & 3;
    cells[end >> 2] -= 4 - (end & 3);
    cells[(end >> 2) + 1] -= end & 3;
    mTouchedLo[cls] = std::min(mTouchedLo[cls], s >> 2);
    mTouchedHi[cls] = std::max(mTouchedHi[cls], (end >> 2) + 1);
  }

  void EmitRow(int row) {
    for (int cls = 0; cls < 4; cls++) {
      if (mTouchedHi[cls] < 0) continue;
      std::vector<int>& cells = mCells[cls];
      int sum = -1, runSum = -1, runStart = mTouchedLo[cls];
      for (int c = mTouchedLo[cls]; c <= mTouchedHi[cls]; c++) {
        sum += cells[c];
        cells[c] = 0;
        if (sum == runSum) continue;
        if (runSum >= 0 && runStart < kCells)
          mSpans.push_back(Span{runStart - kCells / 2, std::min(c, kCells) - kCells / 2, row, std::min(runSum, 31), cls});
        runSum = sum;
        runStart = c;
      }
      mTouchedLo[cls] = INT_MAX;
      mTouchedHi[cls] = -1;
    }
  }

  Transform mT;
  int mShiftX = 0, mShiftY = 0;
  int mLayer = 2, mTopLayer = 2, mFillBase = 0, mFill1 = 0, mFill2 = 0;
  std::vector<Edge> mEdges;
  std::vector<int> mCells[4] = {std::vector<int>(kCells + 2), std::vector<int>(kCells + 2),
                                std::vector<int>(kCells + 2), std::vector<int>(kCells + 2)};
  int mTouchedLo[4] = {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, mTouchedHi[4] = {-1, -1, -1, -1};
  std::vector<Span> mSpans;
};

// The filler under test, its spans read back from the line batch: each class has a colour of
// its own, so a line's colour tells its class and coverage.
class Filler {
 public:
  Filler() {
    mDraw.SetLineDrawer([this](const TVertex* v, int count) {
      for (int i = 0; i + 1 < count; i += 2) {
        auto [cls, index] = Decode(v[i].diffuse);
        mSpans.push_back(Span{(int)std::lround(v[i].x - 0.25f), (int)std::lround(v[i + 1].x - 0.25f),
                              (int)std::lround(v[i].y - 0.25f), index, cls});
      }
    });
    mDraw.SetColour(255, TColor(1, 0, 0, 1), 1.0f);
    mDraw.SetColour(254, TColor(0, 1, 0, 1), 1.0f);
    mDraw.SetColour(1, TColor(0, 0, 1, 1), 1.0f);
  }

  // Shapes that define colours draw classes 3 and 2 in the first and last of them.
  std::vector<Span> Fill(const std::vector<uint8_t>& shape, const Transform& t, int qx, int qy,
                         uint32_t class3 = 0x0000FF, uint32_t class2 = 0) {
    mRgb[0] = 0xFF0000;
    mRgb[1] = 0x00FF00;
    mRgb[2] = class2;
    mRgb[3] = class3;
    mSpans.clear();
    mDraw.ClearCache();
    mDraw.SetScale(t.scaleX, t.scaleY);
    mDraw.SetRotation(t.cosine, t.sine);
    mDraw.SetPenWidths(t.pen0, t.pen1);
    mDraw.SetItalic(t.italic);
    mDraw.Begin(0, 0, (const TPixelTarget*)nullptr);
    mDraw.DrawShape(shape.data(), (uint32_t)shape.size(), qx, qy);
    mDraw.End();
    return mSpans;
  }

 private:
  std::pair<int, int> Decode(uint32_t colour) const {
    uint32_t alpha = colour >> 24;
    for (int cls = 0; cls < 4; cls++) {
      if ((colour & 0xFFFFFF) != mRgb[cls]) continue;
      for (int i = 0; i < 16; i++)
        if (alpha == (255u * 16 * (i + 1) >> 8)) return {cls, i};
    }
    return {-1, -1};
  }

  TKsMiniVecDraw mDraw;
  uint32_t mRgb[4] = {};
  std::vector<Span> mSpans;
};

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return TColor32(TColor(r / 255.0f, g / 255.0f, b / 255.0f, 1)).Value() & 0xFFFFFF;
}

void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back((uint8_t)v);
  out.push_back((uint8_t)(v >> 8));
}

// Layers of random outlines: lines and curves, closed or left open, fills that reach every
// colour class, two or three colours of their own (the last is class 2's, returned in class2).
// Plain shapes have one layer in one colour, as glyphs do.
std::vector<uint8_t> RandomShape(std::mt19937& rng, bool plain, uint32_t& class2) {
  auto pick = [&](int n) { return (int)(rng() % n); };
  const int ranges[] = {600, 3000, 12000, 32767};
  int range = ranges[pick(4)];
  auto coordinate = [&] { return pick(2 * range + 1) - range; };
  std::vector<uint8_t> out;
  int layers = plain ? 1 : 1 + pick(3);
  for (int layer = 0; layer < layers; layer++) {
    out.push_back(1);
    if (layer == 0) {
      int colours = 2 + pick(2);
      for (uint8_t c : {10, 200, 40}) {
        if (colours-- == 0) break;
        out.insert(out.end(), {7, c, (uint8_t)(255 - c), (uint8_t)(c / 2)});
        class2 = Rgb(c, (uint8_t)(255 - c), (uint8_t)(c / 2));
      }
    }
    const uint8_t fills[] = {0, 1, 2, 3, 254, 255};
    out.insert(out.end(), {2, fills[plain ? 1 + pick(5) : pick(6)]});
    if (!plain && pick(3) == 0) out.insert(out.end(), {3, fills[pick(6)]});
    for (int contour = 1 + pick(3); contour > 0; contour--) {
      int x0 = coordinate(), y0 = coordinate();
      out.push_back(4);
      Put16(out, x0);
      Put16(out, y0);
      for (int segment = 2 + pick(6); segment > 0; segment--) {
        bool curve = pick(2);
        out.push_back(curve ? 6 : 5);
        for (int n = curve ? 2 : 1; n > 0; n--) {
          // Some lines run level or nowhere: no edge, but a stroke.
          int y = pick(8) == 0 ? y0 : coordinate();
          Put16(out, pick(10) == 0 ? x0 : coordinate());
          Put16(out, y);
        }
      }
      if (pick(4)) {  // closed; the rest stay open and leave odd crossings
        out.push_back(5);
        Put16(out, x0);
        Put16(out, y0);
      }
    }
  }
  out.push_back(8);
  return out;
}

Transform RandomTransform(std::mt19937& rng, bool pens) {
  std::uniform_real_distribution<float> unit(0, 1);
  Transform t;
  const float scales[] = {0.05f, 0.3f, 1, 2.5f, 9, 40};
  t.scaleX = scales[rng() % 6] * (0.5f + unit(rng));
  t.scaleY = rng() % 3 ? t.scaleX : scales[rng() % 6];
  // Far past the coverage line's ends or its row limits, but not both at once (slow to check).
  if (t.scaleX > 5 && t.scaleY > 5) t.scaleY = 0.3f;
  if (rng() % 2) {
    float a = unit(rng) * 6.2831853f;
    t.cosine = std::cos(a);
    t.sine = std::sin(a);
  }
  if (pens && rng() % 3 == 0) {
    t.pen0 = 0.2f + unit(rng);
    t.pen1 = rng() % 2 ? 0.2f + unit(rng) : 0;
  }
  t.italic = rng() % 4 == 0;
  return t;
}

TEST(MiniVecDrawFill, GlyphsMatchTheSortedWalk) {
  std::unique_ptr<TVectorFont> builtin = MakeBuiltinFont();
  const TVectorFont& font = *builtin;
  ASSERT_GT(font.GetGlyphCount(), 50);
  Reference reference;
  Filler filler;
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(0, 1);
  int drawn = 0;
  for (int g = 0; g < font.GetGlyphCount(); g++) {
    std::vector<uint8_t> shape(font.GetGlyphShape(g), font.GetGlyphShape(g) + font.GetGlyphShapeSize(g));
    // Text sizes from 6 to 200 pixels, every phase, turned, slanted and outlined now and then.
    for (int n = 0; n < 6; n++) {
      Transform t;
      t.scaleX = t.scaleY = 0.375f * std::pow(2.0f, unit(rng) * 5);
      if (n == 1) {
        float a = unit(rng) * 6.2831853f;
        t.cosine = std::cos(a);
        t.sine = std::sin(a);
      }
      if (n == 2) t.pen0 = 0.25f + unit(rng), t.pen1 = 0.5f;
      t.italic = n == 3;
      int qx = (int)(rng() % 4), qy = (int)(rng() % 4);
      std::vector<Span> expected = reference.Fill(shape.data(), (uint32_t)shape.size(), t, qx, qy);
      ASSERT_EQ(filler.Fill(shape, t, qx, qy), expected) << "glyph " << g << " case " << n << " scale " << t.scaleX;
      drawn += !expected.empty();
    }
  }
  EXPECT_GT(drawn, 300);
}

TEST(MiniVecDrawFill, RandomShapesMatchTheSortedWalk) {
  Reference reference;
  Filler filler;
  std::mt19937 rng(11);
  const uint32_t class3 = Rgb(10, 245, 5);
  int drawn = 0;
  for (int n = 0; n < 1500; n++) {
    bool plain = n % 2 == 0;
    uint32_t class2 = 0;
    std::vector<uint8_t> shape = RandomShape(rng, plain, class2);
    Transform t = RandomTransform(rng, !plain);
    int qx = (int)(rng() % 4), qy = (int)(rng() % 4);
    std::vector<Span> expected = reference.Fill(shape.data(), (uint32_t)shape.size(), t, qx, qy);
    ASSERT_EQ(filler.Fill(shape, t, qx, qy, class3, class2), expected) << "shape " << n;
    drawn += !expected.empty();
  }
  EXPECT_GT(drawn, 1000);
}

// One-colour shapes at the edges of the quick glyph fill: outlines left open (lines with an odd
// count of crossings), overlapping contours, crossings close enough to share a sample, and bars
// each side of the widest row it takes, at every phase.
TEST(MiniVecDrawFill, OneColourShapesAtTheQuickFillsLimitsMatchTheSortedWalk) {
  using Contour = std::vector<std::pair<float, float>>;
  struct Case {
    const char* name;
    std::vector<Contour> contours;
    bool closed;
    float scale;
  };
  const Contour square = {{0, 0}, {40, 0}, {40, 40}, {0, 40}};
  const Contour bar = {{-120, -2}, {120, -2}, {120, 2.5f}, {-120, 2.5f}};
  const Case cases[] = {
      {"square", {square}, true, 1},
      {"open outline", {{{0, 0}, {0, 40}, {40, 40}, {40, 0}, {20, 10}}}, false, 1},
      {"overlapping squares", {square, {{20, 20}, {60, 20}, {60, 60}, {20, 60}}}, true, 1},
      {"square in a square", {square, {{10, 10}, {30, 10}, {30, 30}, {10, 30}}}, true, 1},
      {"sliver", {{{0, 0}, {0.3f, 30}, {0.6f, 0}}}, true, 4},
      {"open zigzag", {{{0, 0}, {5, 20}, {10, 0}, {15, 20}}}, false, 1},
      {"bar 600 pixels wide", {bar}, true, 10},
      {"bar 1440 pixels wide", {bar}, true, 24},
  };
  Reference reference;
  Filler filler;
  for (const Case& c : cases) {
    std::vector<uint8_t> shape = {1, 2, 1};
    for (const Contour& contour : c.contours) {
      shape.push_back(4);
      Put16(shape, (int)std::lround(contour[0].first * 128));
      Put16(shape, (int)std::lround(contour[0].second * 128));
      for (size_t i = 1; i <= contour.size(); i++) {
        if (i == contour.size() && !c.closed) break;
        const auto& [x, y] = contour[i % contour.size()];
        shape.push_back(5);
        Put16(shape, (int)std::lround(x * 128));
        Put16(shape, (int)std::lround(y * 128));
      }
    }
    shape.push_back(8);
    Transform t;
    t.scaleX = t.scaleY = c.scale;
    int drawn = 0;
    for (int phase = 0; phase < 16; phase++) {
      std::vector<Span> expected = reference.Fill(shape.data(), (uint32_t)shape.size(), t, phase % 4, phase / 4);
      ASSERT_EQ(filler.Fill(shape, t, phase % 4, phase / 4), expected) << c.name << " phase " << phase;
      drawn += !expected.empty();
    }
    EXPECT_EQ(drawn, 16) << c.name;
  }
}

// An edge whose slope overflows to infinity and that starts exactly on a sub-scan-line's centre
// has a NaN first crossing (0 times infinity); the rest of its shape is small. Such a shape must
// take the clamped path as the sorted walk does, not the quick one that trusts its crossings.
TEST(MiniVecDrawFill, AnInfiniteSlopeStartingOnALineDrawsAsTheSortedWalk) {
  // (0, 128) to (255, 128 + 1/128) units: at a y scale of 1/256 that rises 2^-15 quarter pixels
  // from the centre at 0.5 while running 2.55e34 quarter pixels across; back along y and down x = 0.
  std::vector<uint8_t> shape = {1, 2, 1, 4};
  for (int v : {0, 128 * 128, 5, 255 * 128, 128 * 128 + 1, 5, 0, 128 * 128 + 1, 5, 0, 128 * 128}) {
    if (v == 5) {
      shape.push_back(5);
      continue;
    }
    Put16(shape, v);
  }
  shape.push_back(8);
  Transform t;
  t.scaleX = 1e32f;
  t.scaleY = 1.0f / 256;
  Reference reference;
  Filler filler;
  std::vector<Span> expected = reference.Fill(shape.data(), (uint32_t)shape.size(), t, 0, 0);
  EXPECT_EQ(filler.Fill(shape, t, 0, 0), expected);
}

}  // namespace

// Blending into pixels: the whole-row vector paths against the plain walk and span blend, on
// glyphs and random shapes at text sizes, over random backgrounds (any alpha), in colours of
// every alpha, placed so that some reach past the target's edges. The recorded spans must
// match too: a replay draws from them.
TEST(MiniVecDrawFill, VectorPathsBlendAsThePlainOnes) {
  struct Restore {
    ~Restore() { TKsMiniVecDraw::SetVectorFill(true); }
  } restore;
  std::unique_ptr<TVectorFont> builtin = MakeBuiltinFont();
  const TVectorFont& font = *builtin;
  std::mt19937 rng(23);
  std::uniform_real_distribution<float> unit(0, 1);
  constexpr int kW = 150, kH = 90;
  std::vector<uint32_t> background(kW * kH);
  for (uint32_t& p : background) p = (uint32_t)rng();
  const float alphas[] = {1.0f, 0.0f, 0.5f, 0.9f, 0.03f};
  auto draw = [&](bool vector, const std::vector<uint8_t>& shape, const Transform& t, float x, float y,
                  float alpha, size_t& spans) {
    TKsMiniVecDraw::SetVectorFill(vector);
    std::vector<uint32_t> pixels = background;
    TPixelTarget target{pixels.data(), kW - 7, kH, kW};
    TKsMiniVecDraw draw;
    draw.SetColour(1, TColor(0.8f, 0.3f, 0.1f, alpha), 1.0f);
    draw.SetScale(t.scaleX, t.scaleY);
    draw.SetRotation(t.cosine, t.sine);
    draw.SetItalic(t.italic);
    draw.Begin(x, y, &target);
    draw.DrawShape(shape.data(), (uint32_t)shape.size(), 0, 0);
    draw.End();
    spans = draw.GetCachedSpanCount();
    return pixels;
  };
  int changed = 0;
  for (int n = 0; n < 1200; n++) {
    std::vector<uint8_t> shape;
    if (n % 3) {
      int g = (int)(rng() % font.GetGlyphCount());
      shape.assign(font.GetGlyphShape(g), font.GetGlyphShape(g) + font.GetGlyphShapeSize(g));
    } else {
      uint32_t class2 = 0;
      shape = RandomShape(rng, n % 2 == 0, class2);
    }
    Transform t;
    t.scaleX = t.scaleY = (n % 3 ? 0.2f : 0.002f) * std::pow(2.0f, unit(rng) * 4);
    if (n % 7 == 0) {
      float a = unit(rng) * 6.2831853f;
      t.cosine = std::cos(a);
      t.sine = std::sin(a);
    }
    t.italic = n % 5 == 0;
    float x = unit(rng) * 180 - 30, y = unit(rng) * 120 - 15;
    float alpha = alphas[n % 5];
    size_t plainSpans = 0, vectorSpans = 0;
    std::vector<uint32_t> plain = draw(false, shape, t, x, y, alpha, plainSpans);
    std::vector<uint32_t> vector = draw(true, shape, t, x, y, alpha, vectorSpans);
    ASSERT_EQ(vector, plain) << "case " << n;
    ASSERT_EQ(vectorSpans, plainSpans) << "case " << n;
    changed += plain != background;
  }
  EXPECT_GT(changed, 500);
}

// The 128-bit paths (the only ones on a CPU without 256-bit units): the same spans as the sorted
// walk for glyphs and random shapes, and the same pixels and cached spans as the wide paths when
// blending over a background of every colour and alpha, partly off the target.
TEST(MiniVecDrawFill, NarrowUnitsDrawAsTheSortedWalkAndTheWideOnes) {
  struct Restore {
    ~Restore() { TKsMiniVecDraw::SetWideVectors(true); }
  } restore;
  std::unique_ptr<TVectorFont> builtin = MakeBuiltinFont();
  const TVectorFont& font = *builtin;
  Reference reference;
  Filler filler;
  std::mt19937 rng(31);
  std::uniform_real_distribution<float> unit(0, 1);
  const uint32_t class3 = Rgb(10, 245, 5);
  constexpr int kW = 120, kH = 70;
  std::vector<uint32_t> background(kW * kH);
  for (uint32_t& p : background) p = (uint32_t)rng();
  auto blend = [&](bool wide, const std::vector<uint8_t>& shape, float scale, float x, float y, float alpha,
                   size_t& spans) {
    TKsMiniVecDraw::SetWideVectors(wide);
    std::vector<uint32_t> pixels = background;
    TPixelTarget target{pixels.data(), kW - 5, kH, kW};
    TKsMiniVecDraw draw;
    draw.SetColour(1, TColor(0.1f, 0.7f, 0.4f, alpha), 1.0f);
    draw.SetScale(scale, scale);
    draw.Begin(x, y, &target);
    draw.DrawShape(shape.data(), (uint32_t)shape.size(), 0, 0);
    draw.End();
    spans = draw.GetCachedSpanCount();
    return pixels;
  };
  const float alphas[] = {1.0f, 0.5f, 0.03f};
  int changed = 0;
  for (int n = 0; n < 600; n++) {
    std::vector<uint8_t> shape;
    uint32_t class2 = 0;
    Transform t;
    if (n % 2) {
      int g = (int)(rng() % font.GetGlyphCount());
      shape.assign(font.GetGlyphShape(g), font.GetGlyphShape(g) + font.GetGlyphShapeSize(g));
      t.scaleX = t.scaleY = 0.375f * std::pow(2.0f, unit(rng) * 5);
    } else {
      shape = RandomShape(rng, true, class2);
      t = RandomTransform(rng, false);
    }
    int qx = (int)(rng() % 4), qy = (int)(rng() % 4);
    TKsMiniVecDraw::SetWideVectors(false);
    std::vector<Span> expected = reference.Fill(shape.data(), (uint32_t)shape.size(), t, qx, qy);
    ASSERT_EQ(filler.Fill(shape, t, qx, qy, class3, class2), expected) << "case " << n;

    const float scale = n % 2 ? t.scaleX : 0.002f * std::pow(2.0f, unit(rng) * 4);
    const float x = unit(rng) * 140 - 20, y = unit(rng) * 90 - 10;
    size_t narrowSpans = 0, wideSpans = 0;
    std::vector<uint32_t> narrow = blend(false, shape, scale, x, y, alphas[n % 3], narrowSpans);
    std::vector<uint32_t> wide = blend(true, shape, scale, x, y, alphas[n % 3], wideSpans);
    ASSERT_EQ(narrow, wide) << "case " << n;
    ASSERT_EQ(narrowSpans, wideSpans) << "case " << n;
    changed += narrow != background;
  }
  EXPECT_GT(changed, 250);
}
