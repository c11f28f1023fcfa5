// The software cursor: images converted to runs, drawing on the screen and taking it off again
// bit for bit, leaving the window, rebuilding after a loss, running out of memory, the cursor
// icon made through GDI, and the mouse thread drawing while the main thread presents.
#include <thread>

#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

class CursorTest : public DisplayTest {
 protected:
  // A simple texture of the given pixels, as cursor images are.
  static std::shared_ptr<TTexture> Image(int w, int h, const std::vector<uint32_t>& argb, uint8_t flags = 0) {
    auto t = TTexture::Create(TStr());
    t->GetData()->SetFlags((uint8_t)(kTextureSimple | flags));
    EXPECT_TRUE(t->GetData()->CreateSurface((uint32_t)w, (uint32_t)h, true));
    uint32_t* p = nullptr;
    int pitch = 0;
    EXPECT_TRUE(t->Lock(p, pitch));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p[(size_t)y * pitch + x] = argb[(size_t)y * w + x];
    t->Unlock();
    return t;
  }
  static std::vector<uint32_t> Filled(int w, int h, uint32_t c) { return std::vector<uint32_t>((size_t)w * h, c); }

  // The screen the player sees, as the front buffer holds it.
  std::vector<uint32_t> Front() {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    EXPECT_TRUE(TD::ReadSurface(display->GetContext()->GetFrontBuffer(), px, w, h));
    frontWidth = w;
    return px;
  }
  // Puts the mouse on a client point of the display.
  void MouseAt(int x, int y) {
    int ox = 0, oy = 0;
    display->GetScreenOrigin(ox, oy);
    SetCursorPos(ox + x, oy + y);
  }
  // A frame with a pattern, presented, so that the screen is not uniform under the cursor.
  void PresentPattern() {
    ASSERT_TRUE(display->BeginDraw(1));
    for (int i = 0; i < 8; ++i) {
      TColor c((float)(i & 1), (float)((i >> 1) & 1), (float)((i >> 2) & 1), 1);
      display->FillRect(i * 100, 0, i * 100 + 100, 600, &c, nullptr);
    }
    display->EndDraw(1);
  }
  void OpenWith(bool fullScreen) {
    MakeDisplay();
    Open(fullScreen);
    ASSERT_TRUE(display->IsDisplayReady()) << Log();
    PresentPattern();
  }

  int frontWidth = 0;
};

TEST_F(CursorTest, DrawThenEraseLeavesTheScreenBitIdentical) {
  for (bool fullScreen : {false, true}) {
    SCOPED_TRACE(fullScreen ? "full screen" : "window");
    OpenWith(fullScreen);
    auto image = Image(16, 16, Filled(16, 16, 0xFFFFFFFFu));
    display->SetMouseCursor(image, 3, 3, false);
    MouseAt(150, 100);
    auto before = Front();
    int x = 150, y = 100;
    display->MoveMouseCursor(x, y);
    EXPECT_EQ(x, 150);
    EXPECT_EQ(y, 100);
    ASSERT_TRUE(display->GetContext()->IsCursorDrawn());
    auto drawn = Front();
    int ox = 0, oy = 0;
    display->GetScreenOrigin(ox, oy);
    // The image's top-left corner sits at the mouse less the hot spot.
    size_t at = (size_t)(oy + 100 - 3) * frontWidth + (ox + 150 - 3);
    EXPECT_NE(drawn[at], before[at]);
    EXPECT_EQ(drawn[at] & 0xFFFFFF, 0xFEFEFEu);  // opaque white, blended as (255 x 255) >> 8
    EXPECT_EQ(drawn[at - 1], before[at - 1]);
    display->HideMouseCursor();
    EXPECT_FALSE(display->GetContext()->IsCursorDrawn());
    EXPECT_TRUE(Front() == before);
    TRenderer::Destroy();
  }
}

TEST_F(CursorTest, MovingKeepsOnlyOneCursorOnTheScreen) {
  OpenWith(true);
  auto image = Image(16, 16, Filled(16, 16, 0xFF00FF00u));
  display->SetMouseCursor(image, 0, 0, false);
  MouseAt(100, 100);
  auto before = Front();
  int x = 100, y = 100;
  display->MoveMouseCursor(x, y);
  // Overlapping moves, as the mouse thread makes them (every 16 ms at most).
  for (int step = 1; step <= 5; ++step) {
    MouseAt(100 + step * 5, 100 + step * 3);
    TestControl::AdvanceClock(16);
    x = y = -1;
    display->MoveMouseCursor(x, y);
    EXPECT_EQ(x, 100 + step * 5);
  }
  display->HideMouseCursor();
  EXPECT_TRUE(Front() == before);
}

// A mouse message hands its position on: the cursor goes there, not to where the mouse was when
// the position was last read.
TEST_F(CursorTest, AMoveWithItsPositionDrawsTheCursorThere) {
  OpenWith(true);
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF0000u)), 0, 0, false);
  auto before = Front();
  MouseAt(100, 100);
  int x = 100, y = 100;
  display->MoveMouseCursor(x, y);
  MouseAt(300, 200);
  x = 300, y = 200;
  display->MoveMouseCursor(x, y);
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 200);
  auto after = Front();
  int ox = 0, oy = 0;
  display->GetScreenOrigin(ox, oy);
  EXPECT_EQ(after[(size_t)(oy + 202) * frontWidth + ox + 302] & 0xFFFFFF, 0xFE0000u);
  size_t old = (size_t)(oy + 102) * frontWidth + ox + 102;
  EXPECT_EQ(after[old], before[old]);
  display->HideMouseCursor();
}

TEST_F(CursorTest, TheMouseThreadWaitsForItsSixteenMilliseconds) {
  OpenWith(true);
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF0000u)), 0, 0, false);
  int x = -1, y = -1;
  MouseAt(50, 50);
  display->MoveMouseCursor(x, y);  // the position was never read: nothing drawn
  EXPECT_FALSE(display->GetContext()->IsCursorDrawn());
  x = 50, y = 50;
  display->MoveMouseCursor(x, y);
  ASSERT_TRUE(display->GetContext()->IsCursorDrawn());
  MouseAt(60, 60);
  x = y = -1;
  display->MoveMouseCursor(x, y);
  EXPECT_EQ(display->GetContext()->GetDrawnPosition().x, 50);  // too soon
  TestControl::AdvanceClock(16);
  x = y = -1;
  display->MoveMouseCursor(x, y);
  EXPECT_EQ(display->GetContext()->GetDrawnPosition().x, 60);
}

TEST_F(CursorTest, HidingAndShowingTheCursor) {
  OpenWith(true);
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF0000u)), 0, 0, false);
  MouseAt(200, 200);
  auto before = Front();
  int x = 200, y = 200;
  display->MoveMouseCursor(x, y);
  ASSERT_TRUE(display->GetContext()->IsCursorDrawn());
  display->ShowMouseCursor(false);
  EXPECT_TRUE(Front() == before);
  // Switched off, the mouse thread draws nothing.
  TestControl::AdvanceClock(16);
  x = 200, y = 200;
  display->MoveMouseCursor(x, y);
  EXPECT_FALSE(display->GetContext()->IsCursorDrawn());
  EXPECT_TRUE(Front() == before);
  // Switched on again, the next present carries it.
  display->ShowMouseCursor(true);
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
  EXPECT_EQ(frame[(size_t)200 * w + 200] & 0xFFFFFF, 0xFE0000u);
}

TEST_F(CursorTest, LeavingTheWindowTakesTheCursorOff) {
  OpenWith(false);
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF0000u)), 0, 0, false);
  MouseAt(400, 300);
  auto before = Front();
  int x = 400, y = 300;
  display->MoveMouseCursor(x, y);
  ASSERT_TRUE(display->GetContext()->IsCursorDrawn());
  MouseAt(900, 300);  // right of the client area
  TestControl::AdvanceClock(16);
  x = y = -1;
  display->MoveMouseCursor(x, y);
  EXPECT_FALSE(display->GetContext()->IsCursorDrawn());
  EXPECT_TRUE(Front() == before);
}

TEST_F(CursorTest, ColourKeyAndAlphaImagesBecomeRuns) {
  OpenWith(true);
  TDXContext* context = display->GetContext();
  // All magenta: no runs, yet the cursor's surfaces exist and drawing leaves the screen alone.
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF00FFu)), 0, 0, false);
  EXPECT_TRUE(context->GetColorKeyRuns().empty());
  MouseAt(20, 20);
  auto before = Front();
  int x = 20, y = 20;
  display->MoveMouseCursor(x, y);
  EXPECT_TRUE(context->IsCursorDrawn());
  EXPECT_TRUE(Front() == before);

  // Near magenta counts as the key; red 248, green 1, blue 255 does not.
  std::vector<uint32_t> row = {0xFFF800F8u, 0xFFF801FFu, 0xFFFF00FFu, 0xFFF900FAu};
  display->SetMouseCursor(Image(4, 1, row), 0, 0, false);
  const auto& runs = context->GetColorKeyRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs.front().x, 1);
  EXPECT_EQ(runs.front().pixels.size(), 1u);
  // Each stretch of visible pixels is a run of its own.
  std::vector<uint32_t> second = {0xFF000000u, 0xFF000000u, 0xFFFF00FFu, 0xFF102030u};
  display->SetMouseCursor(Image(4, 1, second), 0, 0, false);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs.front().pixels.size(), 2u);
  EXPECT_EQ(runs.back().x, 3);

  // Alpha images keep their alpha and drop what is fully transparent.
  std::vector<uint32_t> alpha = {0x00FFFFFFu, 0x80FFFFFFu, 0xFF000000u, 0x00000000u};
  display->SetMouseCursor(Image(4, 1, alpha, kTextureAlpha), 0, 0, true);
  const auto& alphaRuns = context->GetAlphaRuns();
  ASSERT_EQ(alphaRuns.size(), 1u);
  EXPECT_EQ(alphaRuns.front().x, 1);
  ASSERT_EQ(alphaRuns.front().pixels.size(), 2u);
  EXPECT_EQ(alphaRuns.front().pixels[0].inverseAlpha, 255 - 0x80);
  EXPECT_EQ(alphaRuns.front().pixels[0].value[0], 0x80 * 0xFF);
  EXPECT_EQ(alphaRuns.front().pixels[1].inverseAlpha, 0);
}

TEST_F(CursorTest, SixteenBitScreensBlendEachChannelAtItsMask) {
  MakeDisplay();
  // The low-memory mode makes a 16-bit full screen.
  Open(true);
  display->OnOutOfVideoMemory();
  TD::Reset();
  TD::SetProfile(Desktop());
  display->SetDisplay(800, 600, true, true, true, false);
  ASSERT_EQ(display->GetDisplayDepth(), 16u);
  PresentPattern();
  display->SetMouseCursor(Image(4, 4, Filled(4, 4, 0xFFFFFFFFu)), 0, 0, false);
  const auto& pixel = display->GetContext()->GetColorKeyRuns().front().pixels.front();
  // The image itself is a 16-bit surface here (white reads back as 248, 252, 248); each channel
  // is (255 x value) >> (16 - bits) placed at its mask.
  EXPECT_EQ(pixel.value[0], (uint16_t)(((255 * 248) >> 11) << 11));
  EXPECT_EQ(pixel.value[1], (uint16_t)(((255 * 252) >> 10) << 5));
  EXPECT_EQ(pixel.value[2], (uint16_t)((255 * 248) >> 11));
  MouseAt(10, 10);
  auto before = Front();
  int x = 10, y = 10;
  display->MoveMouseCursor(x, y);
  // Red 30 of 31 and green 62 of 63, as the screen shows them.
  EXPECT_EQ(Front()[(size_t)10 * frontWidth + 10] & 0xFFFFFF, 0xF7FBF7u);
  display->HideMouseCursor();
  EXPECT_TRUE(Front() == before);
}

TEST_F(CursorTest, RunningOutOfVideoMemoryTwiceLeavesTheCursorOut) {
  OpenWith(true);
  auto image = Image(8, 8, Filled(8, 8, 0xFFFF0000u));
  TD::FailSurfaceCreation(DDERR_OUTOFVIDEOMEMORY, 2, DDSCAPS_OFFSCREENPLAIN);
  display->SetMouseCursor(image, 0, 0, false);
  MouseAt(20, 20);
  auto before = Front();
  int x = 20, y = 20;
  display->MoveMouseCursor(x, y);
  EXPECT_FALSE(display->GetContext()->IsCursorDrawn());
  EXPECT_TRUE(Front() == before);
  int presents = TD::GetPresentCount();
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  EXPECT_EQ(TD::GetPresentCount(), presents + 1);
}

TEST_F(CursorTest, ACursorThatCannotBeRebuiltDoesNotStopTheFrames) {
  OpenWith(true);
  auto red = Filled(8, 8, 0xFFFF0000u);
  ASSERT_TRUE(TD::WritePng(common.Path() + "/gone.png", red.data(), 8, 8, 8));
  auto image = TTexture::GetSimple("common:gone.png");
  ASSERT_TRUE(image);
  display->SetMouseCursor(image, 0, 0, false);
  // The image's file is gone when the display comes back: the image stays empty. (The file
  // layer remembers paths it resolved once; a fresh map looks again.)
  std::remove((common.Path() + "/gone.png").c_str());
  ClearFileMap();
  TD::LoseAllSurfaces();
  display->Restore();
  EXPECT_TRUE(Logged("TDxTextureData::Restore: Failed to restore from file common:gone.png."));
  ASSERT_TRUE(display->IsDisplayReady());
  int presents = TD::GetPresentCount();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(display->BeginDraw(1));
    display->EndDraw(1);
  }
  EXPECT_EQ(TD::GetPresentCount(), presents + 3);
  EXPECT_TRUE(display->GetContext()->IsCursorLost());
}

TEST_F(CursorTest, ALostCursorComesBackWithTheNextPresent) {
  OpenWith(false);
  // From a file, as the program's cursors are: the restore reloads the image.
  auto blue = Filled(8, 8, 0xFF0000FFu);
  ASSERT_TRUE(TD::WritePng(common.Path() + "/cursor.png", blue.data(), 8, 8, 8));
  auto image = TTexture::GetSimple("common:cursor.png");
  ASSERT_TRUE(image);
  display->SetMouseCursor(image, 2, 2, false);
  MouseAt(300, 300);
  int x = 300, y = 300;
  display->MoveMouseCursor(x, y);
  TD::LoseAllSurfaces();
  TestControl::AdvanceClock(16);
  MouseAt(310, 300);
  x = y = -1;
  display->MoveMouseCursor(x, y);  // the blit meets the loss
  EXPECT_TRUE(display->GetContext()->IsCursorLost());
  display->Restore();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(display->BeginDraw(1));
    display->EndDraw(1);
  }
  EXPECT_FALSE(display->GetContext()->IsCursorLost());
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
  // The presented frame carries the cursor, hot spot (2, 2) at the mouse.
  EXPECT_EQ(frame[(size_t)(300 - 2) * w + (310 - 2)] & 0xFFFFFF, 0x0000FEu);
}

TEST_F(CursorTest, ASecondRestoreOfTheImagesDuringOneOnlyLogs) {
  OpenWith(true);
  struct ReentrantHost : FakeHost {
    TDXContext* context = nullptr;
    void Invalidate() override {
      FakeHost::Invalidate();
      if (context) context->RestoreMouseImage();
    }
  } reentrant;
  reentrant.mainWindow = window;
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFF0000u)), 0, 0, false);
  MouseAt(40, 40);
  int x = 40, y = 40;
  display->MoveMouseCursor(x, y);
  SetDisplayHost(&reentrant);
  reentrant.context = display->GetContext();
  display->GetContext()->RestoreMouseImage();
  reentrant.context = nullptr;
  SetDisplayHost(&host);
  EXPECT_TRUE(Logged("Second concurrent call to RestoreMouseImage"));
}

TEST_F(CursorTest, TheEmbeddedControlGetsAWindowsCursorWithTheImagesPixels) {
  OpenWith(false);
  SetSetting("activex", "1");
  std::vector<uint32_t> pixels(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) pixels[(size_t)y * 64 + x] = 0xFF000000u | (uint32_t)(x << 16 | y << 8 | (x ^ y));
  pixels[0] = 0x00000000u;  // transparent corner
  int iconsBefore = TestControl::LiveIconCount();
  display->SetMouseCursor(Image(64, 64, pixels, kTextureAlpha), 5, 7, true);
  HICON icon = display->GetContext()->GetCursorIcon();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(GetCursor(), icon);
  TestControl::IconImage image;
  ASSERT_TRUE(TestControl::GetIconImage(icon, image));
  EXPECT_FALSE(image.isIcon);
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 32);
  EXPECT_EQ(image.hotX, 5);
  EXPECT_EQ(image.hotY, 7);
  // Only the top-left 32 x 32 of a larger image is taken.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(image.argb[(size_t)y * 32 + x], pixels[(size_t)y * 64 + x]) << x << "," << y;
  // A new icon replaces the old one, which is destroyed.
  display->SetMouseCursor(Image(8, 8, Filled(8, 8, 0xFFFFFFFFu), kTextureAlpha), 0, 0, true);
  EXPECT_EQ(TestControl::LiveIconCount(), iconsBefore + 1);
  // The window then uses the system cursor; the software one is not drawn.
  EXPECT_TRUE(display->ApplySystemCursor());
  EXPECT_EQ(GetCursor(), display->GetContext()->GetCursorIcon());
  host.cursorShown = false;
  display->ApplySystemCursor();
  EXPECT_EQ(GetCursor(), nullptr);
  TRenderer::Destroy();
  EXPECT_EQ(TestControl::LiveIconCount(), iconsBefore);
}

// The mouse thread keeps moving the cursor over the screen while the main thread draws and
// presents frames; both take the mouse mutex (the thread only tries it for 5 ms).
TEST_F(CursorTest, TheMouseThreadDrawsWhileFramesArePresented) {
  OpenWith(true);
  display->SetMouseCursor(Image(16, 16, Filled(16, 16, 0xFFFFFF00u)), 1, 1, false);
  MouseAt(100, 100);
  int x = 100, y = 100;
  display->MoveMouseCursor(x, y);
  std::atomic<bool> stop{false}, done{false};
  std::atomic<int> moves{0};
  std::thread mouse([&] {
    for (int i = 0; !stop; ++i) {
      MouseAt(100 + i % 200, 100 + (i / 3) % 200);
      int mx = -1, my = -1;
      if (display->IsDisplayReady()) display->MoveMouseCursor(mx, my);
      ++moves;
    }
    done = true;
  });
  for (int frame = 0; frame < 60; ++frame) {
    if (display->BeginDraw(1)) {
      TColor c(0, 0, (float)(frame % 2), 1);
      display->FillRect(0, 0, 800, 600, &c, nullptr);
      display->EndDraw(1);
    }
    // Time moves on: the mouse thread's throttle and its 5 ms tries both run on it.
    TestControl::AdvanceClock(16);
  }
  while (moves < 100) TestControl::AdvanceClock(5);
  stop = true;
  // A try that waits on the clock finishes once the clock moves.
  while (!done) TestControl::AdvanceClock(5);
  mouse.join();
  EXPECT_TRUE(display->IsDisplayReady());
  display->HideMouseCursor();
}

}  // namespace
