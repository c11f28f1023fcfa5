// Drawing of laid-out text into pixels, checked against golden pictures made by this code and
// looked at by eye. ORVELLA_UPDATE_GOLDEN=1 writes them anew instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/text_layout.h"
#include "platform/directx/directx_test_control.h"
#include "tests/support/golden.h"

namespace {

const char* kParagraph =
    "<center><font size=\"22\" color=\"#203080\">Chocolate & Coffee</font></center>"
    "The <b>factory</b> opens at dawn: <i>cocoa beans</i> arrive from the port, are roasted, "
    "ground and tempered. <u>Quality</u> matters more than speed, so visit the "
    "<a id=\"shop\" color=\"#00a000\">shop</a> before you sail on.<br pad=\"6\">"
    "<outline color=\"#ffd040\" size=\"1\">Outlined text</outline> and <font color=\"c0202080\">"
    "half-transparent red</font>, 0123456789 \\<tags\\> stay literal.";

struct Picture {
  int width = 400, height = 220;
  std::vector<uint32_t> pixels = std::vector<uint32_t>((size_t)width * height, 0xFFFFFFFFu);
  TPixelTarget Target() { return TPixelTarget{pixels.data(), width, height, width}; }
};

void CheckGolden(const char* name, Picture& p) {
  ExpectGolden(p.pixels, p.width, p.height, std::string("tests/core/graphics/text/golden/") + name);
}

class TextLayoutDraw : public ::testing::Test {
 protected:
  TTextLayout* layout = nullptr;
  void SetUp() override {
    TFontCache::Get().Clear();
    layout = TTextLayout::Create(kParagraph, 380, 200, 0, "", 15, TColor(0.1f, 0.1f, 0.1f, 1));
  }
  void TearDown() override {
    TTextLayout::Destroy(layout);
    TFontCache::Get().Clear();
  }
};

TEST_F(TextLayoutDraw, ParagraphInTheBuiltinFont) {
  Picture p;
  TPixelTarget t = p.Target();
  layout->DrawToPixels(TVec2(10, 8), 220, 1.0f, 2, 1.0f, t);
  CheckGolden("paragraph.png", p);

  // The hovered link draws in its own colour, and only there do the pictures differ.
  Picture hovered;
  TPixelTarget ht = hovered.Target();
  TVec2 overLink;
  bool found = false;
  for (int y = 0; y < 200 && !found; y++)
    for (int x = 0; x < 380 && !found; x++)
      if (layout->GetLinkAt(x, y, 2) == TStr("shop")) overLink = TVec2((float)x, (float)y), found = true;
  ASSERT_TRUE(found);
  ASSERT_TRUE(layout->UpdateHoverLink(&overLink, 2));
  layout->DrawToPixels(TVec2(10, 8), 220, 1.0f, 2, 1.0f, ht);
  int green = 0, differ = 0;
  for (size_t i = 0; i < p.pixels.size(); i++) {
    differ += p.pixels[i] != hovered.pixels[i];
    uint32_t c = hovered.pixels[i];
    green += (c >> 8 & 0xFF) > (c >> 16 & 0xFF) + 60;
  }
  EXPECT_GT(differ, 0);
  EXPECT_GT(green, 20);
}

TEST_F(TextLayoutDraw, RotatedParagraph) {
  Picture p;
  TPixelTarget t = p.Target();
  layout->SetRotation(8, 190, 100);
  layout->DrawToPixels(TVec2(10, 8), -1, 1.0f, 2, 1.0f, t);
  CheckGolden("paragraph_rotated.png", p);
}

// Drawing nothing: a negative scale, and lines wholly outside the visible height.
TEST_F(TextLayoutDraw, NothingOutsideTheVisibleHeight) {
  Picture p;
  TPixelTarget t = p.Target();
  layout->DrawToPixels(TVec2(10, 8), 220, -1.0f, 0, 1.0f, t);
  layout->DrawToPixels(TVec2(10, 8), 5, 1.0f, 0, 1.0f, t);
  for (uint32_t c : p.pixels) ASSERT_EQ(c, 0xFFFFFFFFu);
}

}  // namespace
