// Text in the running platform (the runner in this process, the display stand-in): the shape
// rasteriser the first display mode makes, calibrates and installs, and the platform deletes;
// the fonts the platform's shut-down lets go; text drawn into a texture asking the window
// manager for a frame; the viewport scale reaching text drawn on the screen.
#include "core/graphics/text/text_service.h"

#include <algorithm>
#include <set>

#include "core/base/platform_services.h"
#include "core/base/win32/platform_impl.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/texture.h"
#include "tests/core/base/win32/platform_fixture.h"

namespace {

// The window manager as the platform sees it, counting the frames asked for.
class CountingWindowManager : public TPlatformWindowManager {
 public:
  static inline int gInvalidations = 0;
  void Invalidate() override { gInvalidations++; }
};

class TextServiceTest : public PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    InstallRendererService();
    InstallTextService();
    CountingWindowManager::gInvalidations = 0;
    SetWindowManagerFactory([]() -> TPlatformWindowManager* { return new CountingWindowManager; });
  }
  void TearDown() override {
    SetWindowManagerFactory(nullptr);
    PlatformFixture::TearDown();
  }
};

TEST_F(TextServiceTest, TheFirstDisplayModeMakesAndCalibratesTheRasteriserTheShutDownDropsItAndTheFonts) {
  TKsMiniVecDraw* fallback = &TKsMiniVecDraw::Get();
  int loads = 0;
  RunPlatform("", [&](TPlatform* p) {
    EXPECT_EQ(&TKsMiniVecDraw::Get(), fallback) << "made before the display";
    ASSERT_TRUE(p->SetDisplayMode(800, 600, false));
    TKsMiniVecDraw* made = &TKsMiniVecDraw::Get();
    EXPECT_NE(made, fallback);
    TKsMiniVecDraw fresh;
    ASSERT_TRUE(fresh.CalibrateOffset());
    for (int i = 0; i < 3; i++) EXPECT_EQ(made->GetOffset()[i], fresh.GetOffset()[i]) << i;
    p->SetDisplayMode(800, 600, false);
    EXPECT_EQ(&TKsMiniVecDraw::Get(), made) << "made once";

    TFontCache::Get().GetFont("fonts/default.mvec");
    loads = TFontCache::Get().GetLoadCount();
    TFontCache::Get().GetFont("fonts/default.mvec");
    EXPECT_EQ(TFontCache::Get().GetLoadCount(), loads);
  });
  EXPECT_EQ(&TKsMiniVecDraw::Get(), fallback);
  TFontCache::Get().GetFont("fonts/default.mvec");
  EXPECT_GT(TFontCache::Get().GetLoadCount(), loads) << "the font outlived the platform";
}

TEST_F(TextServiceTest, TextDrawnIntoATextureAsksForAFrame) {
  RunPlatform("", [&](TPlatform* p) {
    ASSERT_TRUE(p->SetDisplayMode(800, 600, false));
    auto target = TTexture::CreateRenderTarget(64, 32);
    ASSERT_TRUE(target);
    TTextLayout* layout = TTextLayout::Create("Wg", 64, 32, 0, "", 20, TColor(1, 1, 1, 1));
    layout->SetPixelMode(true, false);
    int before = CountingWindowManager::gInvalidations;
    layout->Draw(TVec2(2, 2), 32, 1.0f, 0, 1.0f, target);
    EXPECT_EQ(CountingWindowManager::gInvalidations, before + 1);
    uint32_t* pixels = nullptr;
    int pitch = 0;
    ASSERT_TRUE(target->Lock(pixels, pitch));
    int lit = 0;
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 64; x++) lit += (pixels[y * pitch + x] >> 24) != 0;
    target->Unlock();
    EXPECT_GT(lit, 20);
    TTextLayout::Destroy(layout);
  });
}

// The lines a text puts on the screen, in the renderer's pixels.
struct Lines {
  std::set<float> rows;
  float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
};

Lines DrawOnScreen(TTextLayout* layout) {
  Lines lines;
  TKsMiniVecDraw& r = TKsMiniVecDraw::Get();
  r.SetLineDrawer([&](const TVertex* v, int n) {
    for (int i = 0; i < n; i++) {
      lines.rows.insert(v[i].y);
      lines.left = std::min(lines.left, v[i].x), lines.right = std::max(lines.right, v[i].x);
      lines.top = std::min(lines.top, v[i].y), lines.bottom = std::max(lines.bottom, v[i].y);
    }
  });
  layout->Draw(TVec2(10, 10), 100, 1.0f, 0, 1.0f);
  r.SetLineDrawer(nullptr);
  return lines;
}

// With the display at twice the program's size the glyphs are filled at its resolution: twice
// the rows, half a program pixel apart, over the same place (not magnified twice).
TEST_F(TextServiceTest, TheViewportScaleReachesTextOnTheScreen) {
  RunPlatform("", [&](TPlatform* p) {
    TTextLayout* layout = TTextLayout::Create("Hello", 200, 100, 0, "", 24, TColor(1, 1, 1, 1));
    float x = 0, y = 0;
    EXPECT_FALSE(p->GetImpl()->GetViewportScale(x, y));
    Lines plain = DrawOnScreen(layout);
    p->GetImpl()->SetViewportScale(2.0f);
    ASSERT_TRUE(p->GetImpl()->GetViewportScale(x, y));
    EXPECT_EQ(x, 2.0f);
    Lines scaled = DrawOnScreen(layout);
    p->GetImpl()->SetViewportScale(1.0f);
    TTextLayout::Destroy(layout);

    ASSERT_GT(plain.rows.size(), 10u);
    EXPECT_NEAR((double)scaled.rows.size(), 2.0 * plain.rows.size(), 3.0);
    EXPECT_NEAR(scaled.left, plain.left, 1.0f);
    EXPECT_NEAR(scaled.right, plain.right, 1.0f);
    EXPECT_NEAR(scaled.top, plain.top, 1.0f);
    EXPECT_NEAR(scaled.bottom, plain.bottom, 1.0f);
  });
}

}  // namespace
