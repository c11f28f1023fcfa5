// Render targets (the five copy modes through the back buffer, on 32- and 16-bit back buffers, the
// GDI and pixel-by-pixel copy paths) and the display restore after surface loss.
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

class RenderTargetTest : public DisplayTest {
 protected:
  // A window display on a desktop of `bits` per pixel (the back buffer takes its format).
  void OpenOn(int bits) {
    MakeDisplay(Desktop(1280, 1024, -1, bits));
    Open(false);
    ASSERT_TRUE(display->IsDisplayReady()) << Log();
    renderer = TRenderer::Get();
  }

  std::shared_ptr<TTexture> Target(int w, int h, uint32_t fill) {
    auto t = TTexture::CreateRenderTarget(w, h);
    EXPECT_TRUE(t);
    if (!t) return t;
    uint32_t* p = nullptr;
    int pitch = 0;
    EXPECT_TRUE(t->Lock(p, pitch));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p[(size_t)y * pitch + x] = fill;
    t->Unlock();
    return t;
  }

  uint32_t Pixel(const std::shared_ptr<TTexture>& t, int x, int y) {
    uint32_t* p = nullptr;
    int pitch = 0;
    EXPECT_TRUE(t->Lock(p, pitch));
    uint32_t v = p ? p[(size_t)y * pitch + x] : 0;
    t->Unlock();
    return v;
  }

  // Fills the back buffer's top-left region through a screen frame (no present).
  void PaintBackBuffer(const TColor& colour) {
    display->FillRect(0, 0, 800, 600, &colour, nullptr);
  }

  TRenderer* renderer = nullptr;
};

// What each mode leaves in a 32 x 32 target: its image was blue (alpha 0x40), the back buffer
// green, and the drawing fills (8, 8)-(16, 16) with red.
struct ModeCase {
  uint32_t mode;
  uint32_t outside;  // a pixel the drawing did not touch
  uint32_t inside;   // a pixel of the red square
};

TEST_F(RenderTargetTest, ModesOnA32BitBackBuffer) {
  OpenOn(32);
  const ModeCase cases[] = {
      {0, 0xFF00FF00u, 0xFFFF0000u},  // the region held the back buffer; made opaque
      {1, 0x0000FF00u, 0xFFFF0000u},  // alpha as copied: the back buffer's own fourth byte
      {2, 0xFF0000FFu, 0xFFFF0000u},  // started from the texture's image; made opaque
      {3, 0xFF0000FFu, 0xFFFF0000u},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    PaintBackBuffer(TColor(0, 1, 0, 1));
    auto target = Target(32, 32, 0x400000FFu);
    ASSERT_TRUE(renderer->BeginRenderTarget(target, c.mode)) << Log();
    EXPECT_EQ(display->GetRenderTargetMode(), (int)c.mode);
    ASSERT_TRUE(renderer->Begin2d());
    renderer->FillRect(TRect(8, 8, 16, 16), TColor(1, 0, 0, 1));
    renderer->End2d();
    renderer->EndRenderTarget();
    EXPECT_EQ(Pixel(target, 2, 2), c.outside);
    EXPECT_EQ(Pixel(target, 10, 10), c.inside);
  }
}

TEST_F(RenderTargetTest, AlphaMaskModeWritesTheDrawnAlphaAndKeepsTheColours) {
  OpenOn(32);
  auto target = Target(32, 32, 0xFF336699u);
  ASSERT_TRUE(renderer->BeginRenderTarget(target, 4));
  ASSERT_TRUE(renderer->Begin2d());
  renderer->FillRect(TRect(0, 0, 8, 8), TColor(1, 1, 1, 0.5f));
  renderer->FillRect(TRect(8, 0, 16, 8), TColor(0, 0, 0, 1));  // alpha, not colour, makes the mask
  renderer->End2d();
  renderer->EndRenderTarget();
  EXPECT_EQ(Pixel(target, 2, 2), 0x7F336699u);
  EXPECT_EQ(Pixel(target, 10, 2), 0xFF336699u);
  EXPECT_EQ(Pixel(target, 20, 20), 0x00336699u);  // the region started transparent black
}

// A capture asked for while a mask target is drawn waits for the next screen frame: the target
// keeps its mask and the capture holds what the screen showed, not the target's region.
TEST_F(RenderTargetTest, ACaptureWaitsForTheScreenFrameWhileAMaskTargetIsDrawn) {
  OpenOn(32);
  auto capture = Target(800, 600, 0);
  renderer->SetCaptureTexture(capture);
  ASSERT_EQ(renderer->GetCaptureTexture(), capture);
  auto mask = Target(32, 32, 0xFF336699u);
  ASSERT_TRUE(renderer->BeginRenderTarget(mask, 4));
  ASSERT_TRUE(renderer->Begin2d());
  renderer->FillRect(TRect(0, 0, 8, 8), TColor(1, 1, 1, 0.5f));
  renderer->End2d();
  renderer->EndRenderTarget();
  EXPECT_EQ(Pixel(mask, 2, 2), 0x7F336699u);
  EXPECT_EQ(Pixel(mask, 20, 20), 0x00336699u);
  EXPECT_EQ(renderer->GetCaptureTexture(), capture);  // still pending

  ASSERT_TRUE(renderer->BeginDraw(0));
  ASSERT_TRUE(renderer->Begin2d());
  renderer->FillRect(TRect(0, 0, 800, 600), TColor(0, 0, 1, 1));
  renderer->FillRect(TRect(0, 0, 8, 8), TColor(1, 0, 0, 1));
  renderer->End2d();
  renderer->EndDraw(0);
  EXPECT_EQ(renderer->GetCaptureTexture(), nullptr);
  EXPECT_EQ(Pixel(capture, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(capture, 20, 20), 0xFF0000FFu);
  EXPECT_EQ(Pixel(capture, 700, 500), 0xFF0000FFu);
}

TEST_F(RenderTargetTest, ModesOnA16BitBackBufferThroughGdiAndThroughLocks) {
  // The copy goes through device contexts, or pixel by pixel when they cannot be had.
  for (bool getDcFails : {false, true}) {
    SCOPED_TRACE(getDcFails);
    OpenOn(16);
    ASSERT_EQ(display->GetDisplayDepth(), 16u);
    EXPECT_EQ(display->GetOption("16bitmode"), "1");
    auto target = Target(32, 32, 0xFF000000u);
    TD::SetGetDcFails(getDcFails);
    ASSERT_TRUE(renderer->BeginRenderTarget(target, 0));
    ASSERT_TRUE(renderer->Begin2d());
    renderer->FillRect(TRect(0, 0, 32, 32), TColor(1, 0, 0, 1));
    renderer->End2d();
    renderer->EndRenderTarget();
    TD::SetGetDcFails(false);
    // The target's own format is A4R4G4B4 on this device: four bits a channel survive, and
    // alpha was made opaque.
    EXPECT_EQ(Pixel(target, 5, 5), 0xF0F00000u);
    TRenderer::Destroy();
  }
}

TEST_F(RenderTargetTest, AlphaMaskOnA16BitBackBufferReadsTheRedChannel) {
  OpenOn(16);
  auto target = Target(16, 16, 0xFF00FF00u);
  ASSERT_TRUE(renderer->BeginRenderTarget(target, 4));
  ASSERT_TRUE(renderer->Begin2d());
  renderer->FillRect(TRect(0, 0, 16, 16), TColor(1, 1, 1, 1));
  renderer->End2d();
  renderer->EndRenderTarget();
  // 0xF8 is what five red bits give; the texture keeps four of them.
  EXPECT_EQ(Pixel(target, 3, 3) >> 28, 0xFu);
  EXPECT_EQ(Pixel(target, 3, 3) & 0x00F0F0F0u, 0x0000F000u);
}

TEST_F(RenderTargetTest, ATargetLargerThanTheDisplayCopiesOnlyWhatFits) {
  OpenOn(32);
  // 1024 x 1024 is larger than the 800 x 600 back buffer in both directions.
  auto target = Target(1024, 1024, 0xFF0000FFu);
  for (uint32_t mode : {0u, 4u}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(renderer->BeginRenderTarget(target, mode));
    ASSERT_TRUE(renderer->Begin2d());
    renderer->FillRect(TRect(0, 0, 1024, 1024), TColor(1, 1, 1, 1));
    renderer->End2d();
    renderer->EndRenderTarget();
    EXPECT_EQ(Pixel(target, 799, 599), 0xFFFFFFFFu);
    // Outside the back buffer the texture keeps what it had.
    EXPECT_EQ(Pixel(target, 900, 10) & 0x00FFFFFFu, 0x000000FFu);
    EXPECT_EQ(Pixel(target, 10, 900) & 0x00FFFFFFu, 0x000000FFu);
  }
}

TEST_F(RenderTargetTest, ARefusedTargetPutsViewportAndScaleBack) {
  OpenOn(32);
  auto target = Target(32, 32, 0);
  host.scale = 2.0f;
  host.savedScale = 2.0f;
  TD::SetStillDrawing(0);
  TD::LoseSurfacesOnNext(TD::LossTrigger::BeginScene);
  host.windowActive = false;  // BeginDraw's restore then leaves the display broken
  EXPECT_FALSE(renderer->BeginRenderTarget(target, 0));
  EXPECT_EQ(host.refusedTargets, 1);
  EXPECT_EQ(host.scale, 2.0f);
  int l, t, r, b;
  display->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(r, 800);
  EXPECT_EQ(b, 600);
}

// --- Restore ---

TEST_F(RenderTargetTest, RestoreWithinTheFirstFramesSetsTheDisplayAgain) {
  OpenOn(32);
  int resetsBefore = host.resets;
  TD::LoseAllSurfaces();
  display->FlagBroken();
  EXPECT_TRUE(display->Restore());
  EXPECT_TRUE(Logged("TPlatformData::Restore: Working count too small (0). Calling SetDisplay()"));
  EXPECT_EQ(host.resets, resetsBefore + 1);
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(RenderTargetTest, RestoreAfterThreeFramesRestoresSurfacesInPlace) {
  OpenOn(32);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(display->BeginDraw(1));
    display->EndDraw(1);
  }
  int resetsBefore = host.resets, invalidatesBefore = host.invalidates;
  TD::LoseAllSurfaces();
  EXPECT_FALSE(display->BeginDraw(1));  // a lost surface is seen before the scene
  EXPECT_TRUE(display->IsBroken());
  EXPECT_EQ(GetSetting("dxbroken"), "1");
  EXPECT_TRUE(display->Restore());
  EXPECT_EQ(host.resets, resetsBefore);  // no new set-up
  EXPECT_GT(host.invalidates, invalidatesBefore);
  EXPECT_EQ(GetSetting("dxbroken"), "0");
  EXPECT_EQ(display->GetWorkingCount(), 0u);
  EXPECT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
}

TEST_F(RenderTargetTest, RestoreFollowsTheCooperativeLevel) {
  struct Case {
    std::vector<HRESULT> results;
    bool active;
    size_t sleeps;   // 100 ms sleeps taken
    bool setDisplay;  // ended in a fresh set-up
  };
  const Case cases[] = {
      {{DDERR_WRONGMODE}, true, 0, true},
      {{DDERR_EXCLUSIVEMODEALREADYSET}, true, 1, false},
      {{DDERR_NOEXCLUSIVEMODE}, false, 0, false},  // inactive: wait for the next call
      // Exclusive mode is asked for again; once granted the display is set up afresh.
      {{DDERR_NOEXCLUSIVEMODE}, true, 1, true},
      // A failure that does not go away: five passes, then give up until the next call.
      {{DDERR_GENERIC, DDERR_GENERIC, DDERR_GENERIC, DDERR_GENERIC, DDERR_GENERIC, DDERR_GENERIC}, true, 5, false},
  };
  OpenOn(32);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.results.front() << " active " << c.active);
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(display->BeginDraw(1));
      display->EndDraw(1);
    }
    host.sleeps.clear();
    int resetsBefore = host.resets;
    host.windowActive = c.active;
    // Full screen is where another program can take the display from us.
    TD::SetTestCooperativeLevelResults(c.results);
    display->Restore();
    TD::SetTestCooperativeLevelResults({});
    size_t hundreds = 0;
    for (uint32_t s : host.sleeps) hundreds += s == 100;
    EXPECT_EQ(hundreds, c.sleeps);
    EXPECT_EQ(host.resets > resetsBefore, c.setDisplay);
    host.windowActive = true;
    display->SetDisplay(800, 600, false, true, false, false);
  }
}

TEST_F(RenderTargetTest, RestoreAllSurfacesWrongModeLeadsToAFreshSetUp) {
  OpenOn(32);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(display->BeginDraw(1));
    display->EndDraw(1);
  }
  int resetsBefore = host.resets;
  TD::SetRestoreAllSurfacesResult(DDERR_WRONGMODE);
  EXPECT_TRUE(display->Restore());
  EXPECT_TRUE(Logged("Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay."));
  EXPECT_EQ(host.resets, resetsBefore + 1);
}

TEST_F(RenderTargetTest, RestoreWhileMinimisedOnlySleeps) {
  OpenOn(32);
  int resetsBefore = host.resets;
  host.minimized = true;
  display->Restore();
  EXPECT_EQ(host.sleeps, std::vector<uint32_t>{100});
  EXPECT_EQ(host.resets, resetsBefore);
}

TEST_F(RenderTargetTest, LostSurfaceOnEndSceneRestores) {
  OpenOn(32);
  ASSERT_TRUE(display->BeginDraw(1));
  TD::LoseSurfacesOnNext(TD::LossTrigger::EndScene);
  display->EndDraw(1);
  EXPECT_TRUE(Logged("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene"));
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(RenderTargetTest, SixteenBitTargetRefusalIsRememberedAndBreaksTheDisplay) {
  OpenOn(16);
  TD::SetRenderTargetRefusal(DDERR_CURRENTLYNOTAVAIL, 16);
  auto target = TTexture::CreateRenderTarget(32, 32);
  TD::SetRenderTargetRefusal(DD_OK);
  ASSERT_TRUE(target);
  EXPECT_TRUE(Logged("Failed to SetRenderTarget with bit depth 16"));
  EXPECT_TRUE(display->GetContext()->Are16BitTargetsBroken());
  EXPECT_TRUE(display->IsBroken());
  // The screen rectangle is the display's again.
  EXPECT_EQ(display->GetScreenRect(), TRect(0, 0, 800, 600));
}

}  // namespace
