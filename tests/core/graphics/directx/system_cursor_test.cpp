// The built-in arrow: its shape (tip on the hot spot, an outline all round, the colour key
// elsewhere), the memory file it loads from, and the display drawing it when no image is given.
#include "core/graphics/directx/system_cursor.h"

#include "core/base/file.h"
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;

namespace {

constexpr uint32_t kCocoa = 0xFF3B2314u, kMilk = 0xFFFFFAF0u, kKey = 0xFFFF00FFu;

std::vector<uint32_t> Arrow() {
  std::vector<uint32_t> px((size_t)kSystemCursorSize * kSystemCursorSize);
  DrawSystemCursor(px.data());
  return px;
}

TEST(SystemCursorTest, ACocoaArrowWithItsTipOnTheHotSpotAndAMilkOutlineAllRound) {
  const int n = kSystemCursorSize;
  std::vector<uint32_t> px = Arrow();
  auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= n || y >= n ? kKey : px[(size_t)y * n + x]; };
  EXPECT_EQ(at(kSystemCursorHotX, kSystemCursorHotY), kCocoa);
  for (int y = 0; y < kSystemCursorHotY; ++y)
    for (int x = 0; x < n; ++x) EXPECT_NE(at(x, y), kCocoa) << x << "," << y;  // nothing above the tip
  int cocoa = 0, milk = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint32_t p = at(x, y);
      ASSERT_TRUE(p == kCocoa || p == kMilk || p == kKey) << std::hex << p;
      cocoa += p == kCocoa;
      milk += p == kMilk;
      if (p != kCocoa) continue;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) EXPECT_NE(at(x + dx, y + dy), kKey) << x << "," << y;
    }
  // An arrow, not a speck or a block: its shaft reaches well below the tip.
  EXPECT_GT(cocoa, 100);
  EXPECT_LT(cocoa, 400);
  EXPECT_GT(milk, 50);
  EXPECT_EQ(at(kSystemCursorHotX, kSystemCursorHotY + 15), kCocoa);
}

class SystemCursorDisplayTest : public DisplayTest {};

TEST_F(SystemCursorDisplayTest, WithoutAnImageTheDisplayDrawsTheBuiltInArrow) {
  MakeDisplay();
  Open(true);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  std::shared_ptr<TTexture> texture = GetSystemCursor();
  ASSERT_TRUE(texture);
  EXPECT_TRUE(FileExists(kSystemCursorName));
  EXPECT_EQ(texture->GetWidth(), (uint32_t)kSystemCursorSize);
  std::vector<uint32_t> want = Arrow();
  uint32_t* p = nullptr;
  int pitch = 0;
  ASSERT_TRUE(texture->Lock(p, pitch));
  for (int y = 0; y < kSystemCursorSize; ++y)
    for (int x = 0; x < kSystemCursorSize; ++x)
      ASSERT_EQ(p[(size_t)y * pitch + x] | 0xFF000000u, want[(size_t)y * kSystemCursorSize + x]) << x << "," << y;
  texture->Unlock();

  ASSERT_TRUE(display->BeginDraw(1));
  TColor grey(0.5f, 0.5f, 0.5f, 1);
  display->FillRect(0, 0, 800, 600, &grey, nullptr);
  display->EndDraw(1);
  display->SetMouseCursor(nullptr, kSystemCursorHotX, kSystemCursorHotY, false);
  int ox = 0, oy = 0;
  display->GetScreenOrigin(ox, oy);
  SetCursorPos(ox + 300, oy + 200);
  int x = 300, y = 200;
  display->MoveMouseCursor(x, y);
  ASSERT_TRUE(display->GetContext()->IsCursorDrawn());
  std::vector<uint32_t> front;
  int w = 0, h = 0;
  ASSERT_TRUE(TestControl::Display::ReadSurface(display->GetContext()->GetFrontBuffer(), front, w, h));
  // Opaque cursor pixels are blended as (255 x c) >> 8: one step darker.
  EXPECT_EQ(front[(size_t)(oy + 200) * w + ox + 300] & 0xFFFFFF, 0x3A2213u);
  EXPECT_EQ(front[(size_t)(oy + 199) * w + ox + 299] & 0xFFFFFF, 0xFEF9EFu);
  display->HideMouseCursor();
}

}  // namespace
