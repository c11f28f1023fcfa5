// The display handler's own state: the window and full-screen set-ups on the stand-in, render
// options, the broken flag, and the low-memory video mode with its file "common:display.xml".
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;

namespace {

TEST_F(DisplayTest, WindowSetUpLeavesAReadyDisplayOfTheAskedSize) {
  Open(false);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  EXPECT_FALSE(display->IsFullScreen());
  uint32_t w = 0, h = 0;
  bool full = true;
  display->GetDisplaySize(w, h, full);
  EXPECT_EQ(w, 800u);
  EXPECT_EQ(h, 600u);
  EXPECT_FALSE(full);
  EXPECT_EQ(display->GetDisplayDepth(), 32u);
  EXPECT_EQ(GetSetting("dxbroken"), "0");
  EXPECT_EQ(GetSetting("monitorfrequency"), "60");
  EXPECT_EQ(host.resets, 1);
  EXPECT_EQ(host.defaultCursors, 1);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
}

TEST_F(DisplayTest, FullScreenSetUpFlipsAndPresents) {
  Open(true);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  EXPECT_TRUE(display->IsFullScreen());
  EXPECT_TRUE(Logged("Created screen at 32 bpp."));
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  EXPECT_EQ(TestControl::Display::GetPresentCount() > 0, true);
}

}  // namespace
