#include "core/graphics/text/mini_vec_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/shape_writer.h"
#include "core/graphics/text/vector_font.h"

namespace {

struct Canvas {
  int width, height;
  std::vector<uint32_t> pixels;
  TPixelTarget target;
  Canvas(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels((size_t)w * h, fill) {
    target = TPixelTarget{pixels.data(), w, h, w};
  }
  uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
  int Alpha(int x, int y) const { return At(x, y) >> 24; }
};

std::vector<uint8_t> Box(float x0, float y0, float x1, float y1) {
  TShapeWriter w;
  w.Layer();
  w.Fill1(1);
  w.Rect(x0, y0, x1, y1);
  w.End();
  return w.Bytes();
}

void Draw(TKsMiniVecDraw& r, const std::vector<uint8_t>& shape, int x, int y) {
  r.DrawShape(shape.data(), (uint32_t)shape.size(), x, y);
}

// White at full alpha, written as is: pixel alpha shows coverage directly.
void Opaque(TKsMiniVecDraw& r) {
  r.SetPixelMode(true, false);
  r.SetColour(1, TColor(1, 1, 1, 1), 1.0f);
}

int AlphaFor(int coverage) { return 255 * 16 * coverage >> 8; }

// Samples of a pixel covered by the rectangle [x0, x1) x [y0, y1), all in quarter pixels.
int Coverage(int px, int py, int x0, int y0, int x1, int y1) {
  int w = std::max(0, std::min(x1, 4 * px + 4) - std::max(x0, 4 * px));
  int h = std::max(0, std::min(y1, 4 * py + 4) - std::max(y0, 4 * py));
  return w * h;
}

// Small squares and rectangles at every quarter-pixel phase of the origin and of the shape:
// every pixel's coverage is exactly the area the rectangle covers in it, including shapes that
// lie above and left of the origin.
TEST(MiniVecDraw, CoverageEqualsAnalyticAreaAtEveryPhase) {
  const int sizes[][2] = {{1, 1}, {2, 3}, {4, 4}, {5, 7}, {13, 6}};
  const int offsets[][2] = {{0, 0}, {-9, -11}, {6, -3}};
  for (int phase = 0; phase < 16; phase++) {
    for (auto& size : sizes) {
      for (auto& off : offsets) {
        Canvas c(16, 16);
        TKsMiniVecDraw r;
        Opaque(r);
        float ox = 6 + (phase & 3) * 0.25f, oy = 6 + (phase >> 2) * 0.25f;
        r.Begin(ox, oy, &c.target);
        Draw(r, Box(0, 0, (float)size[0], (float)size[1]), off[0], off[1]);
        r.End();
        int x0 = (int)(ox * 4) + off[0], y0 = (int)(oy * 4) + off[1];
        for (int py = 0; py < 16; py++) {
          for (int px = 0; px < 16; px++) {
            int expected = AlphaFor(Coverage(px, py, x0, y0, x0 + size[0], y0 + size[1]));
            ASSERT_EQ(c.Alpha(px, py), expected)
                << "pixel " << px << "," << py << " phase " << phase << " size " << size[0] << "x"
                << size[1] << " offset " << off[0] << "," << off[1];
          }
        }
      }
    }
  }
}

// Negative positions split into pixel and phase with floor semantics: one quarter pixel left
// of the origin is the last quarter of the previous pixel, not a mirrored phase.
TEST(MiniVecDraw, NegativeOriginKeepsTheGrid) {
  Canvas a(16, 16), b(16, 16);
  for (Canvas* c : {&a, &b}) {
    TKsMiniVecDraw r;
    Opaque(r);
    if (c == &a) {
      r.Begin(-0.75f, -0.5f, &c->target);
      Draw(r, Box(0, 0, 6, 5), 23, 18);  // lands at quarter (20, 16)
    } else {
      r.Begin(0, 0, &c->target);
      Draw(r, Box(0, 0, 6, 5), 20, 16);
    }
    r.End();
  }
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(a.Alpha(5, 4), 255);
}

// Glyphs of the built-in font, drawn where each is a replay of an earlier fill, match fresh
// fills pixel for pixel; other phases or scales are filled again.
TEST(MiniVecDraw, ReplayedGlyphsAreIdenticalToFreshFills) {
  std::unique_ptr<TVectorFont> font = MakeBuiltinFont();
  const TVectorFont& builtin = *font;
  const char* text = "Wag; j\xC5{|}";
  auto drawAll = [&](TKsMiniVecDraw& r, Canvas& c, float scale) {
    Opaque(r);
    r.SetScale(scale, scale);
    r.Begin(3.25f, 40.5f, &c.target);
    int x = 0;
    for (const char* p = text; *p; p++) {
      int g = builtin.FindGlyph((uint8_t)*p);
      ASSERT_GE(g, 0);
      r.DrawShape(builtin.GetGlyphShape(g), builtin.GetGlyphShapeSize(g), x, 0);
      x += (int)std::lround(builtin.GetGlyphAdvance(g) * scale);
    }
    r.End();
  };
  const int n = (int)strlen(text);
  for (float scale : {0.6f, 1.3f}) {
    Canvas warm(200, 64), replayed(200, 64), fresh(200, 64);
    TKsMiniVecDraw cached, other;
    drawAll(cached, warm, scale);
    EXPECT_EQ(cached.GetFillCount(), n - 0);
    drawAll(cached, replayed, scale);
    EXPECT_EQ(cached.GetReplayCount(), n);
    drawAll(other, fresh, scale);
    EXPECT_EQ(replayed.pixels, fresh.pixels);
    EXPECT_EQ(warm.pixels, fresh.pixels);
    // 'W' reaches above the origin row: something was drawn there.
    int above = 0;
    for (int y = 0; y < 40; y++)
      for (int x = 0; x < 200; x++) above += fresh.Alpha(x, y) != 0;
    EXPECT_GT(above, 0);
  }

  TKsMiniVecDraw r;
  Canvas c(64, 64);
  auto box = Box(0, -8, 8, 0);
  r.Begin(10, 20, &c.target);
  Draw(r, box, 0, 0);
  Draw(r, box, 16, 0);   // same phase: replay
  Draw(r, box, 17, 0);   // other x phase
  Draw(r, box, 16, 2);   // other y phase
  r.SetScale(2, 2);
  Draw(r, box, 0, 0);    // other scale
  r.End();
  EXPECT_EQ(r.GetFillCount(), 4);
  EXPECT_EQ(r.GetReplayCount(), 1);
}

// Glyphs filled while blending over pixels are kept as their coverage. Replayed into any
// target (the line batch, written, accumulated, blended over) they draw what fresh fills there
// draw, clipped alike at all four edges, and they count the spans a line fill records. Enough
// glyphs and sizes that the cache's table grows on the way.
TEST(MiniVecDraw, KeptCoverageReplaysAsFreshFillsInEveryMode) {
  std::unique_ptr<TVectorFont> font = MakeBuiltinFont();
  const TVectorFont& builtin = *font;
  const char* text = "Wag; j{|}%&@QM";
  const int n = (int)strlen(text);
  const float scales[] = {0.4f, 0.9f, 1.7f};
  enum Mode { kLines, kReplace, kAccumulate, kBlend };
  // Over a background of every colour and alpha.
  struct Output {
    Canvas canvas{120, 40};
    std::vector<std::tuple<float, float, float, uint32_t>> lines;
    Output() {
      uint32_t seed = 99;
      for (uint32_t& p : canvas.pixels) p = seed = seed * 1664525u + 1013904223u;
    }
  };
  auto drawAll = [&](TKsMiniVecDraw& r, Mode mode, Output& out) {
    r.SetLineDrawer([&](const TVertex* v, int count) {
      for (int i = 0; i < count; i++) out.lines.emplace_back(v[i].x, v[i].y, v[i].z, v[i].diffuse);
    });
    r.SetColour(1, TColor(0.2f, 0.6f, 0.9f, 0.8f), 1.0f);
    r.SetPixelMode(mode == kReplace, mode == kAccumulate);
    // Rows of text from above the top to past the bottom, each starting left of the target.
    r.Begin(-6.25f, 2.5f, mode == kLines ? nullptr : &out.canvas.target);
    for (int row = 0; row < 3; row++) {
      const float scale = scales[row];
      r.SetScale(scale, scale);
      int x = 0;
      for (const char* p = text; *p; p++) {
        int g = builtin.FindGlyph((uint8_t)*p);
        ASSERT_GE(g, 0);
        r.DrawShape(builtin.GetGlyphShape(g), builtin.GetGlyphShapeSize(g), x, row * 60 - 40);
        x += (int)std::lround(builtin.GetGlyphAdvance(g) * scale * 0.6f);
      }
    }
    r.End();
  };
  TKsMiniVecDraw lineFill;
  Output lineOut;
  drawAll(lineFill, kLines, lineOut);
  for (Mode mode : {kLines, kReplace, kAccumulate, kBlend}) {
    TKsMiniVecDraw warm, fresh;
    Output warmOut, replayed, expected;
    drawAll(warm, kBlend, warmOut);
    EXPECT_EQ(warm.GetFillCount(), 3 * n);
    EXPECT_EQ(warm.GetCachedSpanCount(), lineFill.GetCachedSpanCount());
    drawAll(warm, mode, replayed);
    EXPECT_EQ(warm.GetReplayCount(), 3 * n) << "mode " << mode;
    drawAll(fresh, mode, expected);
    EXPECT_EQ(replayed.canvas.pixels, expected.canvas.pixels) << "mode " << mode;
    EXPECT_EQ(replayed.lines, expected.lines) << "mode " << mode;
    if (mode == kLines)
      EXPECT_EQ(expected.lines, lineOut.lines);
    else
      EXPECT_NE(expected.canvas.pixels, Output().canvas.pixels) << "mode " << mode;
  }
  EXPECT_GT(lineOut.lines.size(), 200u);
}

TEST(MiniVecDraw, CacheKeysFollowTheShapeBytesNotTheirAddress) {
  std::vector<uint8_t> shape = Box(0, 0, 8, 8);
  Canvas a(16, 16), b(16, 16);
  TKsMiniVecDraw r, fresh;
  Opaque(r);
  Opaque(fresh);
  r.Begin(0, 0, &a.target);
  Draw(r, shape, 0, 0);
  // The same memory now holds another outline (a freed font whose buffer was reused).
  std::vector<uint8_t> other = Box(4, 4, 12, 16);
  ASSERT_EQ(other.size(), shape.size());
  std::copy(other.begin(), other.end(), shape.begin());
  Canvas a2(16, 16);
  r.Begin(0, 0, &a2.target);
  Draw(r, shape, 0, 0);
  r.End();
  fresh.Begin(0, 0, &b.target);
  Draw(fresh, other, 0, 0);
  fresh.End();
  EXPECT_EQ(r.GetReplayCount(), 0);
  EXPECT_EQ(a2.pixels, b.pixels);
}

// Rotating text makes every glyph a new key: the cache is flushed at its cap instead of growing.
TEST(MiniVecDraw, SpanCacheStaysUnderItsCap) {
  TKsMiniVecDraw r;
  r.SetCacheLimit(2000);
  Canvas c(64, 64);
  auto box = Box(-20, -20, 20, 20);
  r.Begin(32, 32, &c.target);
  size_t most = 0;
  for (int step = 0; step < 720; step++) {
    double a = step * M_PI / 360;
    r.SetRotation((float)cos(a), (float)sin(a));
    Draw(r, box, 0, 0);
    most = std::max(most, r.GetCachedSpanCount());
  }
  r.End();
  EXPECT_EQ(r.GetFillCount(), 720);
  EXPECT_LE(most, 2000u + 200u);
}

// Keys that compare equal find each other however their numbers are written (a sine of -0 is
// 0); keys that never compare equal (a NaN in the transform) cannot pile up entries without
// end, though they add no spans.
TEST(MiniVecDraw, CacheKeysMatchByValueAndStayBounded) {
  TKsMiniVecDraw r;
  Canvas c(32, 32);
  auto box = Box(0, 0, 6, 6);
  r.Begin(8, 8, &c.target);
  r.SetRotation(1.0f, -0.0f);
  Draw(r, box, 0, 0);
  r.SetRotation(1.0f, 0.0f);
  Draw(r, box, 0, 0);
  EXPECT_EQ(r.GetFillCount(), 1);
  EXPECT_EQ(r.GetReplayCount(), 1);

  r.SetCacheLimit(100);
  r.SetRotation(NAN, 0.0f);
  size_t most = 0;
  for (int n = 0; n < 1000; n++) {
    Draw(r, box, 0, 0);
    most = std::max(most, r.GetCachedShapeCount());
  }
  r.End();
  EXPECT_EQ(r.GetFillCount(), 1001);
  EXPECT_LE(most, 101u);
}

TEST(MiniVecDraw, StrokesAndPens) {
  auto lit = [](const Canvas& c) {
    int n = 0;
    for (uint32_t p : c.pixels) n += (p >> 24) != 0;
    return n;
  };
  TShapeWriter horizontal;
  horizontal.Layer();
  horizontal.Fill1(1);
  horizontal.MoveTo(0, 0);
  horizontal.LineTo(20, 0);
  horizontal.End();
  TShapeWriter dot;  // a zero-length line: no direction, nothing to stroke
  dot.Layer();
  dot.Fill1(1);
  dot.MoveTo(5, 5);
  dot.LineTo(5, 5);
  dot.End();

  struct Case {
    const char* name;
    const std::vector<uint8_t>& shape;
    float w0, w1;
    bool drawn;
  };
  const Case cases[] = {
      {"horizontal line, no pen", horizontal.Bytes(), 0, 0, false},
      {"horizontal line stroked", horizontal.Bytes(), 1, 0, true},
      {"first pen 0 disables both", horizontal.Bytes(), 0, 2, false},
      {"zero-length line stroked", dot.Bytes(), 1, 1, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Canvas c(40, 40);
    TKsMiniVecDraw r;
    Opaque(r);
    r.SetColour(255, TColor(1, 0, 0, 1), 1.0f);
    r.SetColour(254, TColor(0, 1, 0, 1), 1.0f);
    r.SetPenWidths(k.w0, k.w1);
    r.Begin(10, 20, &c.target);
    Draw(r, k.shape, 0, 0);
    r.End();
    EXPECT_EQ(lit(c) > 0, k.drawn);
    if (k.drawn) {
      EXPECT_EQ(c.At(12, 19) & 0xFFFFFF, 0xFF0000u);  // first pen's colour
    }
  }
}

// A box outline with its stroke: more than 512 edges, drawn the same as the box stroked
// segment by segment in one piece.
TEST(MiniVecDraw, ManyEdgesDrawWhole) {
  TShapeWriter many, few;
  for (TShapeWriter* w : {&many, &few}) {
    w->Layer();
    w->Fill1(1);
    w->MoveTo(0, 0);
  }
  for (int i = 1; i <= 200; i++) many.LineTo(i * 0.25f, 0);
  few.LineTo(50, 0);
  for (TShapeWriter* w : {&many, &few}) {
    w->LineTo(50, 30);
    w->LineTo(0, 30);
    w->LineTo(0, 0);
    w->End();
  }
  Canvas a(40, 40), b(40, 40);
  for (auto [w, c] : {std::pair{&many, &a}, std::pair{&few, &b}}) {
    TKsMiniVecDraw r;
    Opaque(r);
    r.SetColour(255, TColor(1, 0, 0, 1), 1.0f);
    r.SetPenWidths(0.5f, 0);
    r.Begin(5, 5, &c->target);
    Draw(r, w->Bytes(), 0, 0);
    r.End();
  }
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(a.Alpha(10, 10), 255);
}

TEST(MiniVecDraw, ItalicShearsByAThirdOfY) {
  // A box 0..8 wide from 0 to 24 down: with italic its bottom moves 8 quarter pixels left.
  Canvas c(16, 16);
  TKsMiniVecDraw r;
  Opaque(r);
  r.SetItalic(true);
  r.Begin(4, 4, &c.target);
  Draw(r, Box(0, 0, 8, 24), 0, 0);
  r.End();
  int total = 0;
  for (uint32_t p : c.pixels) total += p >> 24;
  EXPECT_NEAR(total, 12 * 255, 12 * 4);  // the area of the box is kept
  // The bottom row lies two pixels left of the origin, the top row only a third of one.
  EXPECT_GT(c.Alpha(2, 9), 0);
  EXPECT_EQ(c.Alpha(2, 4), 0);
  EXPECT_GT(c.Alpha(5, 4), 0);
  EXPECT_EQ(c.Alpha(5, 9), 0);
}

TEST(MiniVecDraw, PixelModes) {
  auto run = [](bool replace, bool accumulate, uint32_t dst, TColor colour) {
    Canvas c(8, 8, dst);
    TKsMiniVecDraw r;
    r.SetPixelMode(replace, accumulate);
    r.SetColour(1, colour, 1.0f);
    r.Begin(0, 0, &c.target);
    Draw(r, Box(0, 0, 8, 8), 0, 0);  // pixels (0, 0) and (1, 1) fully covered
    r.End();
    return c.At(1, 1);
  };
  EXPECT_EQ(run(true, false, 0xFF102030, TColor(1, 0, 0, 0.5f)), 0x7FFF0000u);
  // Blend over: alpha 127 of red onto opaque blue; the target's alpha stays.
  EXPECT_EQ(run(false, false, 0xFF0000FF, TColor(1, 0, 0, 0.5f)), 0xFF7F0080u);
  // Accumulate onto transparent: the colour and alpha as they come.
  EXPECT_EQ(run(false, true, 0x00000000, TColor(0, 1, 0, 0.5f)), 0x7F00FF00u);
  // Accumulate with nothing on either side: no division by zero, nothing changes.
  EXPECT_EQ(run(false, true, 0x00000000, TColor(0, 1, 0, 0)), 0u);
}

// Blending over is exact at every alpha: a fully covered pixel becomes
// (dst * (255 - a) + src * a) / 255 in each channel and keeps its own alpha.
TEST(MiniVecDraw, BlendOverIsExactAtEveryAlpha) {
  const uint32_t backgrounds[] = {0xFF000000, 0x80FFFFFF, 0x12345678, 0xFFFF00FF, 0x00FE01FD};
  for (int step = 0; step <= 255; step++) {
    auto draw = [&](bool replace, uint32_t background) {
      Canvas c(8, 8, background);
      TKsMiniVecDraw r;
      r.SetPixelMode(replace, false);
      r.SetColour(1, TColor(0.8f, 0.3f, 0.55f, 1), step / 255.0f);
      r.Begin(0, 0, &c.target);
      Draw(r, Box(0, 0, 8, 8), 0, 0);
      r.End();
      return c.At(1, 1);
    };
    uint32_t src = draw(true, 0), a = src >> 24;
    for (uint32_t dst : backgrounds) {
      uint32_t expected = dst & 0xFF000000u;
      for (int shift : {16, 8, 0})
        expected |= ((dst >> shift & 0xFF) * (255 - a) + (src >> shift & 0xFF) * a) / 255 << shift;
      ASSERT_EQ(draw(false, dst), expected) << "alpha " << a << " over " << std::hex << dst;
    }
  }
}

// Streams that end early, unknown commands and shapes far outside the coverage line draw what
// they can and never read or write out of bounds.
TEST(MiniVecDraw, DamagedStreamsAndFarShapes) {
  std::vector<uint8_t> box = Box(0, 0, 8, 8);
  Canvas c(16, 16);
  TKsMiniVecDraw r;
  Opaque(r);
  r.Begin(2, 2, &c.target);
  for (size_t cut = 0; cut < box.size(); cut++) r.DrawShape(box.data(), (uint32_t)cut, 0, 0);
  std::vector<uint8_t> unknown = box;
  unknown[2] = 0xEE;  // replaces the fill command: the stream ends there
  Draw(r, unknown, 0, 0);
  EXPECT_EQ(c.Alpha(3, 3), 0);
  Draw(r, Box(0, 0, 8, 8), 4 * 5000, 0);
  Draw(r, Box(-200, -200, 200, 200), 0, 0);  // wider than the coverage line at this scale
  r.SetScale(1e6f, 1e6f);
  Draw(r, box, 0, 0);
  r.SetScale(NAN, 1);
  Draw(r, box, 0, 0);
  r.End();
}

TEST(MiniVecDraw, LineBatchCarriesTheOffsets) {
  TKsMiniVecDraw r;
  std::vector<TVertex> drawn;
  int draws = 0;
  r.SetLineDrawer([&](const TVertex* v, int n) {
    drawn.insert(drawn.end(), v, v + n);
    draws++;
  });
  r.SetColour(1, TColor(1, 1, 1, 1), 1.0f);
  r.Begin(10, 20, nullptr);
  Draw(r, Box(0, 0, 8, 4), 0, 0);  // one row, pixels 10 and 11: one span
  r.End();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_FLOAT_EQ(drawn[0].x, 10.25f);
  EXPECT_FLOAT_EQ(drawn[1].x, 12.25f);
  EXPECT_FLOAT_EQ(drawn[0].y, 20.25f);
  EXPECT_EQ(drawn[0].diffuse, 0xFFFFFFFFu);

  drawn.clear();
  r.SetOffset(1, 1, 1);
  r.SetBatchSize(64);
  r.Begin(0, 0, nullptr);
  Draw(r, Box(0, 0, 8, 4 * 40), 0, 0);  // forty rows: forty lines
  r.End();
  ASSERT_EQ(drawn.size(), 80u);
  EXPECT_FLOAT_EQ(drawn[0].x, -0.75f);
  EXPECT_FLOAT_EQ(drawn[1].x, 1.25f);
  EXPECT_FLOAT_EQ(drawn[0].y, 0.25f);
  EXPECT_EQ(draws, 1 + 2);  // 64 + 16 vertices
}

}  // namespace
