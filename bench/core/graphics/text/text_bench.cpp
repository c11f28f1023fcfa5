// Text benchmarks. Fill: each glyph of a sentence filled afresh (the span cache cleared before
// every shape) into a 32-bit target, beside FreeType rendering the same font's outlines, scaled
// to the same pixel size, into an 8-bit coverage bitmap. Replay: the same glyphs served from
// the span cache. Glyph sizes are the em in pixels (12, 24, 48).
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstring>
#include <memory>
#include <vector>

#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/text/vector_font.h"

namespace {

const char* kSentence = "The quick brown fox jumps over the lazy dog, 0123456789 times!";
constexpr float kEmUnits = 64.0f;  // the em of the fonts mvecgen writes

const TVectorFont& Font() {
  static std::unique_ptr<TVectorFont> font = MakeBuiltinFont();
  return *font;
}

struct Target {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(1024 * 128, 0);
  TPixelTarget t{pixels.data(), 1024, 128, 1024};
};

void DrawSentence(TKsMiniVecDraw& r, bool fresh) {
  const TVectorFont& f = Font();
  int x = 0;
  for (const char* p = kSentence; *p; p++) {
    int g = f.FindGlyph((uint8_t)*p);
    if (fresh) r.ClearCache();
    r.DrawShape(f.GetGlyphShape(g), f.GetGlyphShapeSize(g), x, 0);
    x += 37;
  }
}

void Rasterise(benchmark::State& state, bool fresh) {
  float em = (float)state.range(0);
  Target target;
  TKsMiniVecDraw r;
  r.SetColour(1, TColor(0, 0, 0, 1), 1.0f);
  r.SetScale(em * 4 / kEmUnits, em * 4 / kEmUnits);
  r.Begin(4.25f, 64.5f, &target.t);
  DrawSentence(r, false);
  for (auto _ : state) DrawSentence(r, fresh);
  r.End();
  state.SetItemsProcessed(state.iterations() * strlen(kSentence));
}

void BM_Fill(benchmark::State& state) { Rasterise(state, true); }
void BM_Replay(benchmark::State& state) { Rasterise(state, false); }

// FreeType's smooth rasteriser on the unhinted outlines at the same pixel size; the outlines
// are loaded and scaled once, so only the rasterisation is timed, as for ours.
void BM_FreeTypeFill(benchmark::State& state) {
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) || FT_New_Face(lib, BENCH_TTF, 0, &face)) {
    state.SkipWithError("no FreeType font");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, (FT_UInt)state.range(0));
  std::vector<FT_Outline> outlines;
  for (const char* p = kSentence; *p; p++) {
    FT_Load_Char(face, (uint8_t)*p, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    FT_Outline copy;
    FT_Outline_New(lib, face->glyph->outline.n_points, face->glyph->outline.n_contours, &copy);
    FT_Outline_Copy(&face->glyph->outline, &copy);
    FT_Outline_Translate(&copy, 4 * 64, 16 * 64);
    outlines.push_back(copy);
  }
  std::vector<uint8_t> gray(128 * 128);
  FT_Bitmap bitmap = {};
  bitmap.rows = 128;
  bitmap.width = 128;
  bitmap.pitch = 128;
  bitmap.buffer = gray.data();
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  for (auto _ : state) {
    for (FT_Outline& o : outlines) {
      FT_Outline_Get_Bitmap(lib, &o, &bitmap);
    }
    benchmark::DoNotOptimize(gray.data());
  }
  state.SetItemsProcessed(state.iterations() * outlines.size());
  for (FT_Outline& o : outlines) FT_Outline_Done(lib, &o);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}

void BM_Layout(benchmark::State& state) {
  std::string text;
  while (text.size() < 10 * 1024) {
    text += "The <b>factory</b> opens at dawn: <i>cocoa beans</i> arrive from the "
            "<font color=\"#802020\" size=\"18\">port</font>, are roasted and "
            "<a id=\"shop\">sold</a> before noon.<br>";
  }
  TTextLayout* layout = TTextLayout::Create(text.c_str(), 400, 300, 0, "", 14, TColor(0, 0, 0, 1));
  for (auto _ : state) layout->Layout();
  state.SetBytesProcessed(state.iterations() * text.size());
  state.counters["lines"] = layout->GetLineCount();
  TTextLayout::Destroy(layout);
}

BENCHMARK(BM_Layout);
BENCHMARK(BM_Fill)->Arg(12)->Arg(24)->Arg(48);
BENCHMARK(BM_FreeTypeFill)->Arg(12)->Arg(24)->Arg(48);
BENCHMARK(BM_Replay)->Arg(12)->Arg(24)->Arg(48);

}  // namespace

BENCHMARK_MAIN();
