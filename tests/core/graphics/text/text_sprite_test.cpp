// The text sprite: anchors by alignment, drawing through the renderer (only while visible,
// rotated with its parent), its box and hit test; and layouts drawn into a texture.
#include "core/graphics/text/text_sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class TextSpriteTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    TFontCache::Get().Clear();
    TKsMiniVecDraw::SetInstance(&mRasteriser);
  }
  void TearDown() override {
    TKsMiniVecDraw::SetInstance(nullptr);
    TFontCache::Get().Clear();
    DrawingTest::TearDown();
  }
  // Line-list draws that reached the device.
  int LineDraws() {
    int n = 0;
    for (const std::string& c : Calls()) n += c.rfind("DrawVertices 2 ", 0) == 0;
    return n;
  }
  void Draw(const std::shared_ptr<TSprite>& s) {
    R()->BeginDraw(0);
    R()->Begin2d();
    s->Draw(TDrawSpec());
    R()->End2d();
    R()->EndDraw(0);
  }
  TKsMiniVecDraw mRasteriser;
};

TEST_F(TextSpriteTest, AlignmentSetsTheAnchor) {
  struct Case {
    int alignment;
    float x, y;
  };
  const Case cases[] = {{0, 0, 0}, {1 | 4, 50, 20}, {3, 50, 0}, {2, 100, 0}, {8, 0, 40}, {4 | 8, 0, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alignment);
    auto s = TTextSprite::Create(100, 40, c.alignment, "", 12, TColor(1, 1, 1, 1));
    EXPECT_EQ(s->GetAnchor(), TVec2(c.x, c.y));
    EXPECT_EQ(s->GetLayout()->GetFlags(), c.alignment);
  }
}

TEST_F(TextSpriteTest, CreationSetsTheLayout) {
  auto s = TTextSprite::Create(100, 40, 0, "", 12, TColor(1, 0, 0, 1));
  EXPECT_STREQ(s->GetClassName(), "TTextSprite");
  EXPECT_TRUE(s->IsKindOf(TSprite::ClassId()));
  EXPECT_STREQ(s->GetLayout()->GetFontName().c_str(), "__DEFAULT");  // an empty name keeps it
  EXPECT_EQ(s->GetLayout()->GetFontSize(), 12);
}

TEST_F(TextSpriteTest, DrawsOnlyWhileVisibleAndTurnsWithItsParent) {
  auto parent = TSprite::Create();
  auto s = TTextSprite::Create(200, 40, 1 | 4, "", 16, TColor(1, 1, 1, 1));
  s->SetText("Hello");
  parent->AddChild(s);
  Calls();
  Draw(parent);
  std::vector<std::string> calls = Calls();
  auto lines = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("DrawVertices 2 ", 0) == 0; });
  ASSERT_NE(lines, calls.end());
  // The lines are drawn untextured.
  EXPECT_NE(std::find(calls.begin(), lines, "SetTexture none"), lines);

  s->SetVisible(false);
  Draw(parent);
  EXPECT_EQ(LineDraws(), 0);
  s->SetVisible(true);

  // A parent turned by 30 degrees turns the text about the anchor by as much.
  TMat3& m = parent->GetDrawSpec().mMatrix;
  float c = (float)cos(M_PI / 6), sn = (float)sin(M_PI / 6);
  m.m[0][0] = c;
  m.m[0][1] = sn;
  m.m[1][0] = -sn;
  m.m[1][1] = c;
  Draw(parent);
  EXPECT_GT(LineDraws(), 0);
  EXPECT_NEAR(s->GetLayout()->GetSin(), 0.5f, 1e-5f);
  EXPECT_NEAR(s->GetLayout()->GetCos(), c, 1e-5f);
}

// The text turns about the anchor of the alignment it has now: a sprite drawn at 90 degrees, then
// given a new alignment, draws where one made with that alignment does.
TEST_F(TextSpriteTest, ANewAlignmentMovesTheRotationAnchor) {
  auto centreOfText = [&](const std::shared_ptr<TTextSprite>& s) {
    auto parent = TSprite::Create();
    parent->AddChild(s);
    TMat3& m = parent->GetDrawSpec().mMatrix;
    m.m[0][0] = 0, m.m[0][1] = 1, m.m[1][0] = -1, m.m[1][1] = 0;
    Backend().points.clear();
    Draw(parent);
    TVec2 sum;
    for (const TVec2& p : Backend().points) sum = sum + p;
    EXPECT_FALSE(Backend().points.empty());
    return Backend().points.empty() ? sum : sum * (1.0f / (float)Backend().points.size());
  };
  auto fresh = TTextSprite::Create(200, 40, 1 | 4, "", 16, TColor(1, 1, 1, 1));
  fresh->SetText("Hello");
  TVec2 wanted = centreOfText(fresh);

  auto changed = TTextSprite::Create(200, 40, 0, "", 16, TColor(1, 1, 1, 1));
  changed->SetText("Hello");
  centreOfText(changed);
  changed->SetAlignment(1 | 4);
  TVec2 got = centreOfText(changed);
  EXPECT_NEAR(got.x, wanted.x, 1.0f);
  EXPECT_NEAR(got.y, wanted.y, 1.0f);
}

TEST_F(TextSpriteTest, RectAndHitTest) {
  auto s = TTextSprite::Create(100, 40, 0, "", 12, TColor(1, 1, 1, 1));
  s->SetPosition(TVec2(200, 100));
  TRect r = s->GetRect(TDrawSpec());
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right, 250);
  EXPECT_EQ(r.bottom, 120);
  EXPECT_TRUE(s->HitTest(TVec2(150, 80), 0));
  EXPECT_TRUE(s->HitTest(TVec2(249.5f, 119.5f), 0));
  EXPECT_FALSE(s->HitTest(TVec2(250, 100), 0));
  EXPECT_FALSE(s->HitTest(TVec2(200, 120), 0));
}

TEST_F(TextSpriteTest, LayoutDrawsIntoATexture) {
  auto target = TTexture::CreateRenderTarget(64, 32);
  ASSERT_TRUE(target);
  TTextLayout* l = TTextLayout::Create("Wg", 64, 32, 0, "", 20, TColor(1, 1, 1, 1));
  l->SetPixelMode(true, false);
  l->Draw(TVec2(2, 2), 32, 1.0f, 0, 1.0f, target);
  TTextLayout::Destroy(l);
  uint32_t* pixels = nullptr;
  int pitch = 0;
  ASSERT_TRUE(target->Lock(pixels, pitch));
  int lit = 0;
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 64; x++) lit += (pixels[y * pitch + x] >> 24) == 255;
  target->Unlock();
  EXPECT_GT(lit, 20);
}

}  // namespace
