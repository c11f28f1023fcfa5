// End to end: the pointer over the game's first screen, drawn with the game's own cursor image
// and, when that image is missing, with the built-in arrow; either way its tip is on the mouse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/game_run.h"

namespace {

std::vector<uint32_t> Frame(const std::string& png) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  EXPECT_TRUE(TestControl::Display::ReadPng(png, pixels, width, height)) << png;
  EXPECT_EQ(width, 800);
  pixels.resize(800 * 600);
  return pixels;
}

// Within two steps a channel of the colour (the cursor's blend rounds down).
bool Near(uint32_t pixel, uint32_t colour) {
  for (int shift : {0, 8, 16})
    if (std::abs((int)((pixel >> shift) & 0xFF) - (int)((colour >> shift) & 0xFF)) > 2) return false;
  return true;
}

constexpr uint32_t kCocoa = 0x3B2314, kMilk = 0xFFFAF0;

TEST(PointerTest, ThePointerStandsOnTheMouseWithOrWithoutTheGamesCursorImage) {
  for (bool ownImage : {true, false}) {
    SCOPED_TRACE(ownImage ? "the game's cursor image" : "the built-in arrow");
    GameWorld world;
    if (!ownImage) world.RemoveAsset("cursor/cursor.png");
    std::string left = world.File("left.png"), right = world.File("right.png");
    // Over the backdrop beside the welcome panel, then at the other side.
    HarnessRun run = world.Run("frame 5 move 100 300\nframe 40 capture " + left + "\nframe 41 move 700 300\n" +
                               "frame 80 capture " + right + "\nframe 82 quit\n");
    ASSERT_EQ(run.result.status, 0) << run.result.out;
    std::vector<uint32_t> a = Frame(left), b = Frame(right);
    // How many pixels of the colour lie in the box below and right of a point (where an arrow
    // whose tip is on it lies).
    auto count = [](const std::vector<uint32_t>& f, int x, int y, uint32_t colour) {
      int n = 0;
      for (int py = y - 2; py < y + 22; ++py)
        for (int px = x - 2; px < x + 16; ++px) n += Near(f[(size_t)py * 800 + px], colour);
      return n;
    };
    for (auto [frame, other, x] : {std::tuple(&a, &b, 100), std::tuple(&b, &a, 700)}) {
      SCOPED_TRACE(x);
      EXPECT_GT(count(*frame, x, 300, kCocoa), 40);
      EXPECT_GT(count(*frame, x, 300, kMilk), 20);
      // Where the pointer is not, the backdrop shows.
      EXPECT_LT(count(*other, x, 300, kCocoa), 5);
      EXPECT_LT(count(*other, x, 300, kMilk), 5);
      if (!ownImage) {
        EXPECT_TRUE(Near((*frame)[300 * 800 + x], kCocoa)) << std::hex << (*frame)[300 * 800 + x];  // the tip
      }
    }
  }
}

}  // namespace
