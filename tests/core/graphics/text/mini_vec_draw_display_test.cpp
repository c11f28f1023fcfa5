// The rasteriser on the display stand-in: calibration finds offsets that put its one-pixel
// lines on the pixels it means, so glyphs drawn through the renderer land where direct pixel
// writes put them.
#include <gtest/gtest.h>

#include <set>

#include "core/graphics/renderer.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/vector_font.h"
#include "core/graphics/texture.h"
#include "tests/core/graphics/directx/display_fixture.h"

namespace {

class MiniVecDrawOnDisplay : public displaytest::DisplayTest {};

TEST_F(MiniVecDrawOnDisplay, CalibratedLinesMatchDirectPixels) {
  Open();
  ASSERT_TRUE(display->IsDisplayReady());
  TKsMiniVecDraw r;
  ASSERT_TRUE(r.CalibrateOffset());
  EXPECT_EQ(r.GetBatchSize(), 256);

  std::unique_ptr<TVectorFont> builtin = MakeBuiltinFont();
  const TVectorFont& font = *builtin;
  auto drawText = [&]() {
    r.SetColour(1, TColor(1, 1, 1, 1), 1.0f);
    r.SetScale(1.5f, 1.5f);
    int x = 0;
    for (const char* p = "Wag; j{|}"; *p; p++) {
      int g = font.FindGlyph((uint8_t)*p);
      r.DrawShape(font.GetGlyphShape(g), font.GetGlyphShapeSize(g), x, 0);
      x += 60;
    }
    r.End();
  };

  auto target = TTexture::CreateRenderTarget(256, 64);
  ASSERT_TRUE(target);
  TRenderer* renderer = TRenderer::Get();
  ASSERT_TRUE(renderer->BeginRenderTarget(target, 0));
  ASSERT_TRUE(renderer->Begin2d());
  renderer->FillRect(TRect(0, 0, 256, 64), TColor(0, 0, 0, 1), nullptr);
  r.Begin(4.25f, 40.5f, std::shared_ptr<TTexture>());
  drawText();
  renderer->End2d();
  renderer->EndRenderTarget();

  std::vector<uint32_t> direct(256 * 64, 0);
  TPixelTarget t{direct.data(), 256, 64, 256};
  r.SetPixelMode(true, false);
  r.Begin(4.25f, 40.5f, &t);
  drawText();

  uint32_t* pixels = nullptr;
  int pitch = 0;
  ASSERT_TRUE(target->Lock(pixels, pitch));
  std::set<std::pair<int, int>> viaLines, viaPixels;
  for (int y = 0; y < 64; y++) {
    for (int x = 0; x < 256; x++) {
      if (pixels[(size_t)y * pitch + x] & 0xFFFFFF) viaLines.insert({x, y});
      if (direct[(size_t)y * 256 + x] >> 24) viaPixels.insert({x, y});
    }
  }
  target->Unlock();
  EXPECT_GT(viaPixels.size(), 100u);
  EXPECT_EQ(viaLines, viaPixels);
}

}  // namespace
