// The rectangle window: opaque and translucent fills at the window's place on the screen, the
// quad that keeps its first size, and SetRectangleColor.
#include "game/shell/world/rectangle.h"

#include <gtest/gtest.h>

#include "tests/game/shell/world/world_fixture.h"

namespace {

class RectangleTest : public WorldFixture {
 protected:
  TRectangle* Open(const char* name, const std::string& keys) {
    Make(std::string("Rectangle { name = '") + name + "', x = 10, y = 20, w = 100, h = 50, " + keys + " }");
    return Find<TRectangle>(name);
  }
  // The translucent fills' colours (one per triangle list) and their corners.
  struct Quad {
    uint32_t diffuse;
    float left, top, right, bottom;
  };
  std::vector<Quad> Quads() {
    std::vector<Quad> out;
    for (const auto& t : host.triangles)
      out.push_back({t.vertices[0].diffuse, t.vertices[0].x, t.vertices[0].y, t.vertices[4].x, t.vertices[4].y});
    return out;
  }
};

TEST_F(RectangleTest, TheAlphaDecidesBetweenAnOpaqueFillATranslucentOneAndNothing) {
  const float x = kModalX + 10, y = kModalY + 20;
  Open("shade", "color = {0, 0, 0, 0.5}");
  Frame();
  ASSERT_EQ(Quads().size(), 1u);
  EXPECT_EQ(Quads()[0].diffuse, 0x7f000000u);  // black at half
  EXPECT_EQ(Quads()[0].left, x);
  EXPECT_EQ(Quads()[0].bottom, y + 50);
  EXPECT_TRUE(host.filled.empty());

  Find("shade")->SetFlags(0);
  Open("opaque", "color = {1, 0, 0, 0.2}, alpha = 1");
  Open("none", "color = {1, 0, 0, 1}, alpha = 0");
  Frame();
  EXPECT_TRUE(Quads().empty());
  ASSERT_EQ(host.filled.size(), 1u);
  EXPECT_EQ(host.filled[0].rect, TRect(x, y, x + 100, y + 50));
  EXPECT_EQ(host.filled[0].colour.a, 1.0f);
}

TEST_F(RectangleTest, ATranslucentFillKeepsItsFirstSizeAndAnOpaqueOneFollowsTheWindow) {
  Open("shade", "color = {0.2, 0.4, 0.6, 0.25}")->SetSize(300, 200);
  Open("solid", "color = {0.2, 0.4, 0.6, 1}")->SetSize(300, 200);
  Frame();
  ASSERT_EQ(Quads().size(), 1u);
  EXPECT_EQ(Quads()[0].right - Quads()[0].left, 100);
  ASSERT_EQ(host.filled.size(), 1u);
  EXPECT_EQ(host.filled[0].rect.right - host.filled[0].rect.left, 300);
}

TEST_F(RectangleTest, SetRectangleColorRecoloursARectangleByNameButKeepsItsAlpha) {
  Open("shade", "color = {0, 0, 0, 0.5}");
  Make("Window { name = 'plain', w = 10, h = 10 }");
  Run("SetRectangleColor('shade', {1, 0, 0, 1})  SetRectangleColor('plain', {1, 0, 0, 1})"
      "SetRectangleColor('nobody', {1, 0, 0, 1})  SetRectangleColor('shade', {0, 1})");
  TRectangle* shade = Find<TRectangle>("shade");
  EXPECT_EQ(shade->GetColour().g, 1.0f);
  EXPECT_EQ(shade->GetColour().b, 0.0f);  // missing entries count as 0
  Frame();
  ASSERT_EQ(Quads().size(), 1u);
  EXPECT_EQ(Quads()[0].diffuse, 0x7f00ff00u);
  EXPECT_EQ(shade->GetColour().a, 0.5f);
}

TEST_F(RectangleTest, MovesOverARectangleGoNoFurther) {
  std::vector<std::string> seen;
  auto* below = new window_test::ProbeWindow("below", TRect(0, 0, 300, 300), &seen);
  modal->AddChild(below, false);
  below->ChangeOrder(0);
  Open("shade", "color = {0, 0, 0, 0.5}");
  Move(kModalX + 20, kModalY + 30);
  Move(kModalX + 200, kModalY + 200);
  EXPECT_EQ(seen, (std::vector<std::string>{"below:move@200,200"}));
  modal->RemoveChild(below);
  delete below;
}

}  // namespace
