// A port's scene made from its table: buildings (their glow, its pulse, the placeholder row for
// missing pictures, the labels' places) and decoration (chance, alternatives and their overlays,
// layers behind buildings, rows, tints, still and animated pictures, walkers on paths with their
// motions and random starts).
#include <gtest/gtest.h>

#include <string>

#include "core/base/random.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/texture.h"
#include "game/shell/editors/path_sprite.h"
#include "game/shell/world/port_window.h"
#include "tests/game/shell/world/port_fixture.h"

namespace {

void ExpectColour(const TColor& a, const TColor& b) {
  EXPECT_FLOAT_EQ(a.r, b.r);
  EXPECT_FLOAT_EQ(a.g, b.g);
  EXPECT_FLOAT_EQ(a.b, b.b);
  EXPECT_FLOAT_EQ(a.a, b.a);
}

TEST(GlowPulseTest, TheGlowGrowsByAtMostAFifthAndAtMost50Units) {
  struct Case {
    float w, h, pulse;
  } cases[] = {
      {100, 400, 0.125f},   // min(1.2, 1.5, 1.125)
      {100, 80, 0.2f},      // small pictures: a fifth
      {1000, 500, 0.05f},   // large ones: 50 units across
      {0, 0, 0.2f},         // a picture of no size never divides by it
      {0, 400, 0.125f},
  };
  for (const Case& c : cases) EXPECT_NEAR(GlowPulse(c.w, c.h), c.pulse, 1e-6f) << c.w << " x " << c.h;
}

class PortSceneTest : public PortFixture {
 protected:
  PortWindow* Reopen(const std::string& children = "") {
    if (PortWindow* old = Find<PortWindow>("port")) {
      modal->RemoveChild(old);
      delete old;
    }
    return Open(children);
  }
  // The scene's decoration, sprites without the background's buildings.
  std::vector<std::shared_ptr<TSprite>> Decoration(PortWindow* port) {
    std::vector<std::shared_ptr<TSprite>> out = port->GetTintedSprites();
    for (const auto& walker : port->GetPathSprites()) out.push_back(walker);
    return out;
  }
};

TEST_F(PortSceneTest, BuildingsStandAtTheirPointsWithAHiddenGlowAndTheirNamesBelowThem) {
  Run("gScene.buildings = {"
      "  { name = 'mill', x = 30, y = 300, layer = 4.7 },"
      "  { name = 'shop', x = 790, y = 200, layer = 2 },"
      "  { name = 'tower', x = 400, y = 100, labelx = 10, labely = 20 } }");
  PortWindow* port = Reopen("Text { name = 'mill', w = 120, h = 20 }, Text { name = 'shop', w = 120, h = 20 },"
                            "Text { name = 'tower', w = 120, h = 20 }");
  const auto& b = port->GetBuildings();
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].name, "mill");
  EXPECT_EQ(b[0].sprite->GetPosition(), TVec2(30, 300));
  EXPECT_EQ(b[0].sprite->GetLayer(), 4);
  EXPECT_EQ(b[0].sprite->GetTexture(), TTexture::Get("ports/test/mill", 0));
  EXPECT_EQ(b[0].highlight->GetTexture(), b[0].sprite->GetTexture());
  EXPECT_EQ(b[0].highlight->GetLayer(), -1);
  EXPECT_FALSE(b[0].highlight->IsVisible());
  EXPECT_EQ(b[0].highlight->GetParent(), b[0].sprite.get());
  // Labels centred under the building a quarter of its height down, kept on the screen.
  struct Expect {
    const char* name;
    int32_t x, y;
  } labels[] = {{"mill", 0, 320}, {"shop", 680, 220}, {"tower", 10, 20}};
  for (const Expect& e : labels) {
    TWindow* label = Find(e.name);
    EXPECT_EQ(label->GetRect().left, e.x) << e.name;
    EXPECT_EQ(label->GetRect().top, e.y) << e.name;
  }
  EXPECT_EQ(b[1].label, Find("shop"));
}

TEST_F(PortSceneTest, BuildingsWithoutAPictureStandInTheirOwnRowWhateverTheirPoints) {
  PutImage("ports/temp_building", 60, 60);
  Run("gScene.buildings = {} "
      "for i = 1, 6 do table.insert(gScene.buildings, { name = 'gone' .. i, x = 700, y = 500 }) end "
      "gone1 = {} function gone1:OnClick() gGone = 1 end");
  PortWindow* port = Reopen();
  const TVec2 slots[] = {{50, 100}, {150, 120}, {250, 140}, {350, 160}, {450, 180}, {50, 300}};
  ASSERT_EQ(port->GetBuildings().size(), 6u);
  for (size_t i = 0; i < 6; i++) {
    EXPECT_EQ(port->GetBuildings()[i].sprite->GetPosition(), slots[i]) << i;
    EXPECT_EQ(port->GetBuildings()[i].sprite->GetTexture(), TTexture::Get("ports/temp_building", 0));
  }
  // The placeholder is still the building: its click runs its handler.
  Press(50, 100);
  Release(50, 100);
  EXPECT_EQ(Number("gGone"), 1);
}

TEST_F(PortSceneTest, AMissingPlaceholderTooLeavesAnEmptyBuildingThatNothingDividesBy) {
  Run("gScene.buildings = { { name = 'gone', x = 1, y = 1 } }");
  PortWindow* port = Reopen();
  ASSERT_EQ(port->GetBuildings().size(), 1u);
  EXPECT_FLOAT_EQ(port->GetBuildings()[0].pulse, 0.2f);
  Move(50, 100);
  Ticks(40);
  EXPECT_FALSE(std::isnan(port->GetBuildings()[0].highlight->GetDrawSpec().mMatrix.m[0][0]));
}

TEST_F(PortSceneTest, DecorationIsPickedByChanceAndFromItsAlternatives) {
  SeedRandom(11);
  struct Case {
    std::string sprite;
    int visits, minShown, maxShown;
  } cases[] = {
      {"{ image = 'ports/barrels', frequency = 100 }", 10, 10, 10},
      {"{ image = 'ports/barrels', frequency = 150 }", 10, 10, 10},
      {"{ image = 'ports/barrels', frequency = 0 }", 10, 0, 0},
      {"{ image = 'ports/barrels', frequency = -20 }", 10, 0, 0},
      {"{ image = 'ports/barrels', frequency = 50.9 }", 100, 30, 70},  // about half the visits
  };
  for (const Case& c : cases) {
    Run("gScene.sprites = { " + c.sprite + " }");
    int shown = 0;
    for (int visit = 0; visit < c.visits; visit++) shown += (int)Reopen()->GetTintedSprites().size();
    EXPECT_GE(shown, c.minShown) << c.sprite;
    EXPECT_LE(shown, c.maxShown) << c.sprite;
  }
}

TEST_F(PortSceneTest, AnAlternativeWithoutItsOwnMaskHasNoOverlay) {
  SeedRandom(3);
  Run("gScene.sprites = { { images = { 'ports/barrels', 'ports/barrels', 'ports/lamp' },"
      "  masks = { 'ports/mask', 'ports/mask' }, mask = 'ports/mask' } }");
  int lamps = 0, barrels = 0;
  for (int visit = 0; visit < 60; visit++) {
    PortWindow* port = Reopen();
    ASSERT_EQ(port->GetTintedSprites().size(), 1u);
    const auto& sprite = port->GetTintedSprites()[0];
    bool lamp = sprite->GetTexture() == TTexture::Get("ports/lamp", 0);
    (lamp ? lamps : barrels)++;
    EXPECT_EQ(sprite->GetChildren().size(), lamp ? 0u : 1u);
  }
  EXPECT_GT(lamps, 0);
  EXPECT_GT(barrels, 0);
}

TEST_F(PortSceneTest, LayersRowsTintsAndScalesComeFromTheSpritesTable) {
  Run("gScene.sprites = {"
      "  { image = 'ports/barrels', layer = 6, behind = { layer = 4 } },"
      "  { image = 'ports/barrels', layer = 6, behind = { layer = 0 } },"
      "  { image = 'ports/lamp', x = 400, y = 430, htile = 256, layer = 2.9 },"
      "  { image = 'ports/barrels', mask = 'ports/mask', tints = { { 1, 0, 0, 1 } } },"
      "  { image = 'ports/barrels', mask = 'ports/mask', tints = {} },"
      "  { image = 'ports/barrels', mask = 'ports/mask', tint = { 0, 1, 0 } },"
      "  { image = 'ports/barrels', x = 10, y = 20, scale = 2 },"
      "  { image = 'ports/animations/flag.xml' },"
      "  { image = 'ports/animations/still.xml' } }");
  PortWindow* port = Reopen();
  const auto& s = port->GetTintedSprites();
  ASSERT_EQ(s.size(), 9u);
  EXPECT_EQ(s[0]->GetLayer(), 3);
  EXPECT_EQ(s[1]->GetLayer(), 0);
  EXPECT_EQ(s[2]->GetLayer(), 2);
  ASSERT_EQ(s[2]->GetChildren().size(), 4u);
  const float row[] = {-256, -512, 256, 512};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(s[2]->GetChildren()[(size_t)i]->GetPosition(), TVec2(row[i], 0));
    EXPECT_EQ(s[2]->GetChildren()[(size_t)i]->GetTexture(), s[2]->GetTexture());
  }
  auto overlayColour = [&](size_t i) { return s[i]->GetChildren().at(0)->GetDrawSpec().mColor; };
  ExpectColour(overlayColour(3), TColor(1, 0, 0, 1));
  ExpectColour(overlayColour(4), TColor(1, 1, 1, 1));
  ExpectColour(overlayColour(5), TColor(0, 1, 0, 1));
  EXPECT_FLOAT_EQ(s[6]->GetDrawSpec().mMatrix.m[0][0], 2.0f);
  EXPECT_EQ(s[6]->GetPosition(), TVec2(10, 20));
  // Animations of more than one frame play; decoration darkens with the scene as it opens.
  EXPECT_TRUE(std::static_pointer_cast<TAnimatedSprite>(s[7])->IsPlaying(0));
  EXPECT_FALSE(std::static_pointer_cast<TAnimatedSprite>(s[8])->IsPlaying(0));
  for (const auto& sprite : s) EXPECT_FLOAT_EQ(sprite->GetDrawSpec().mColor.r, 0.25f);
}

TEST_F(PortSceneTest, WalkersGoOneWayLoopOrBounceAndMayStartAnywhereOnTheirRun) {
  const std::string path = "path = { {0, 500}, {0, 500}, {100, 500}, {100, 500} }, time = 1000, random = false";
  Run("gScene.sprites = {"
      "  { image = 'ports/animations/walker.xml', motion = 'oneway', " + path + " },"
      "  { image = 'ports/animations/walker.xml', motion = 'bounce', " + path + " },"
      "  { image = 'ports/animations/walker.xml', " + path + " },"
      "  { image = 'ports/animations/walker.xml', mask = 'ports/animations/walker_mask.xml', tints = { { 0, 0, 1, 1 } },"
      "    " + path + " } }");
  PortWindow* port = Reopen();
  const auto& w = port->GetPathSprites();
  ASSERT_EQ(w.size(), 4u);
  EXPECT_TRUE(port->GetTintedSprites().empty());
  // The clothes follow the walker's frame and take the tint.
  ASSERT_EQ(w[3]->GetChildren().size(), 1u);
  ExpectColour(w[3]->GetChildren()[0]->GetDrawSpec().mColor, TColor(0, 0, 1, 1));
  Ticks(25);  // a run and a quarter
  EXPECT_EQ(w[0]->GetParent(), nullptr);  // gone at the end of its one way
  EXPECT_NEAR(w[1]->GetPosition().x, 75, 1);
  EXPECT_NEAR(w[2]->GetPosition().x, 25, 1);

  // A random start lies on the 50 ms steps of one run.
  SeedRandom(5);
  Run("gScene.sprites = { { image = 'ports/animations/walker.xml', path = { {0, 500}, {0, 500}, {100, 500}, {100, 500} },"
      "  time = 1000 } }");
  bool moved = false;
  for (int visit = 0; visit < 20; visit++) {
    float elapsed = Reopen()->GetPathSprites()[0]->GetElapsed();
    EXPECT_GE(elapsed, 0);
    EXPECT_LE(elapsed, 1000);
    EXPECT_FLOAT_EQ(std::fmod(elapsed, 50.0f), 0.0f);
    moved = moved || elapsed > 0;
  }
  EXPECT_TRUE(moved);
}

TEST_F(PortSceneTest, AWalkerWithoutAPictureStillWalksAndADecorationWithoutOneStillStands) {
  Run("gScene.sprites = { { image = 'ports/none.xml', path = { {0, 500}, {0, 500}, {100, 500}, {100, 500} },"
      "  time = 1000, random = false, motion = 'oneway' }, { image = 'ports/none', x = 5, y = 6 } }");
  PortWindow* port = Reopen();
  ASSERT_EQ(port->GetPathSprites().size(), 1u);
  ASSERT_EQ(port->GetTintedSprites().size(), 1u);
  EXPECT_EQ(port->GetTintedSprites()[0]->GetPosition(), TVec2(5, 6));
  Ticks(10);
  EXPECT_NEAR(port->GetPathSprites()[0]->GetPosition().x, 50, 1);
}

TEST_F(PortSceneTest, APortWithoutASceneTableIsItsBackgroundAlone) {
  Run("gScene = nil");
  PortWindow* port = Reopen();
  EXPECT_TRUE(port->GetBuildings().empty());
  EXPECT_TRUE(Decoration(port).empty());
  Ticks(50);
  Move(300, 300);
  Press(300, 300);
  Release(300, 300);
}

}  // namespace
