// The factory status panel: its supply bars, the product and the ingredients read from the
// script tables (six at most), the rank's capacity, the pulse of a run and the idle hint.
#include "game/shell/world/dookie_dropper.h"

#include <gtest/gtest.h>

#include <map>

#include "core/graphics/sprites/sprite.h"
#include "core/windows/text.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

TEST(DookieDropperBarTest, BarsShareThePanelAndShowTheSupplyAgainstTheRanksCapacity) {
  const TColor green(50 / 255.0f, 205 / 255.0f, 30 / 255.0f, 1), yellow(1, 252 / 255.0f, 15 / 255.0f, 1),
      red(1, 14 / 255.0f, 14 / 255.0f, 1);
  struct Case {
    int32_t width;
    int count, index;
    double supply;
    int32_t rank;
    float centre;
    TRect rect;
    TColor colour;
  } cases[] = {
      // Three ingredients in 120 pixels: slots of 20 centred at 40, 60 and 80.
      {120, 3, 0, 8, 2, 40, TRect(32, 13, 48, 55), green},
      {120, 3, 1, 8, 2, 60, TRect(52, 13, 68, 55), green},
      {120, 3, 2, 8, 2, 80, TRect(72, 13, 88, 55), green},
      // Rank 2 holds 8: 6 is three quarters (green), 5 yellow, 3 red, 12 no higher than full.
      {120, 3, 0, 6, 2, 40, TRect(32, 23, 48, 54), green},
      {120, 3, 0, 5, 2, 40, TRect(32, 28, 48, 54), yellow},
      {120, 3, 0, 3, 2, 40, TRect(32, 39, 48, 54), red},
      {120, 3, 0, 12, 2, 40, TRect(32, 13, 48, 55), green},
      // Nothing, less than nothing, and a rank past the table's ends (its last and first rows).
      {120, 3, 0, 0, 2, 40, TRect(32, 55, 48, 55), red},
      {120, 3, 0, -5, 2, 40, TRect(32, 55, 48, 55), red},
      {120, 1, 0, 10, 9, 60, TRect(52, 13, 68, 55), green},
      {120, 1, 0, 3, -4, 60, TRect(52, 23, 68, 54), green},
  };
  for (const Case& c : cases) {
    DookieDropper::Bar bar =
        DookieDropper::SupplyBar(c.width, c.count, c.index, c.supply, DookieDropper::Capacity(c.rank), 58, 42);
    SCOPED_TRACE(std::to_string(c.index) + " of " + std::to_string(c.count) + ", supply " + std::to_string(c.supply));
    EXPECT_FLOAT_EQ(bar.centre, c.centre);
    EXPECT_EQ(bar.rect, c.rect);
    EXPECT_EQ(bar.colour.g, c.colour.g);
    EXPECT_FLOAT_EQ(bar.iconScale, 20.0f / 32);
  }
}

TEST(DookieDropperBarTest, HigherProductionPulsesFasterAndEveryRunEndsAtRest) {
  struct Case {
    uint32_t counter, production;
    float scale;
  } cases[] = {
      {0, 5, 0.25f * 1 / 2000}, {1000, 5, 0.25f * 1001 / 2000}, {1000, 20, 0.25f * 1 / 1000},
      {700, 40, 0.25f * 35 / 666}, {700, 80, 0.25f * 201 / 500}, {2000, 80, 0.25f}, {2050, 5, 0.25f},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(DookieDropper::PulseScale(c.counter, c.production), c.scale) << c.counter << ", " << c.production;
}

class DookieDropperTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    PutImage("image/timer_face_small", 16, 16);
    PutImage("image/timer_hand_small", 4, 12);
    PutImage("image/factory_idle_help", 60, 20);
    for (const char* item : {"cocoa", "milk", "sugar", "nuts", "mint", "salt", "chili", "honey", "truffle_big"})
      PutImage(std::string("items/") + item, 32, 32);
    Run("_AllProducts = {"
        "  truffle = { name = 'truffle', counts = { cocoa = 2, milk = 1, sugar = 1 } },"
        "  feast = { name = 'feast', counts = { cocoa = 1, milk = 1, sugar = 1, nuts = 1, mint = 1, salt = 1,"
        "                                       chili = 1, honey = 1 } } }"
        "Player = { rank = 2, supply = { cocoa = 6, milk = 5, sugar = 3 },"
        "           factories = { chocolate = { current = 'truffle', production = 25 } } }");
    Make("DookieDropper { name = 'chocolate', x = 50, y = 60, w = 120, h = 100,"
         "  Text { name = 'count', x = 80, y = 80, w = 40, h = 16 } }");
    panel = Find<DookieDropper>("chocolate");
  }
  DookieDropper* panel = nullptr;
};

TEST_F(DookieDropperTest, RefreshReadsTheFactoryAndItsProductFromTheScripts) {
  ASSERT_NE(panel, nullptr);
  // Read as soon as it is made, before the ledger's first refresh.
  EXPECT_EQ(panel->GetProductName(), TStr("truffle"));
  ASSERT_EQ(panel->GetIngredientCount(), 3);
  EXPECT_EQ(panel->GetProduction(), 25u);
  EXPECT_FALSE(panel->IsStalled());
  EXPECT_EQ(panel->GetRank(), 2);
  TStr count;
  Find<TText>("count")->GetText(count);
  EXPECT_EQ(count, TStr("25"));
  ASSERT_EQ(panel->GetProductSprite()->GetChildren().size(), 1u);
  EXPECT_FLOAT_EQ(panel->GetProductSprite()->GetDrawSpec().mMatrix.m[0][0], 0.25f);
  EXPECT_EQ(panel->GetProductSprite()->GetPosition().x, 18.0f);

  // A product of eight ingredients fills the six bars there are.
  Run("Player.factories.chocolate = { current = 'feast', stall = true }  Player.rank = nil");
  panel->Refresh();
  EXPECT_EQ(panel->GetIngredientCount(), DookieDropper::kMaxIngredients);
  EXPECT_TRUE(panel->IsStalled());
  EXPECT_EQ(panel->GetProduction(), 0u);
  EXPECT_EQ(panel->GetRank(), 1);

  // Without the scripts' tables: the defaults, and the last product's bars stay.
  Run("Player = nil");
  panel->Refresh();
  EXPECT_EQ(panel->GetProductName(), TStr(""));
  EXPECT_EQ(panel->GetIngredientCount(), DookieDropper::kMaxIngredients);
  EXPECT_FALSE(panel->IsStalled());
}

TEST_F(DookieDropperTest, ItDrawsItsBarsIconsAndHintWhereThePanelIsOnTheScreen) {
  panel->Refresh();
  Frame();
  const int left = kModalX + 50, top = kModalY + 60;
  // In the order of the product's counts, which is the table's own.
  ASSERT_EQ(host.filled.size(), 3u);
  std::map<std::string, int32_t> tops = {{"cocoa", 23}, {"milk", 28}, {"sugar", 39}};  // 6, 5 and 3 of 8
  for (int i = 0; i < 3; i++) {
    int32_t barLeft = left + 32 + 20 * i;
    EXPECT_EQ(host.filled[(size_t)i].rect, TRect(barLeft, top + tops[panel->GetIngredientName(i).c_str()], barLeft + 16, top + 54));
  }
  ASSERT_EQ(host.pictures.size(), 3u);  // the icons; no hint while it produces
  EXPECT_EQ(host.pictures[1].spec.GetPosition().x, left + 60.0f);
  EXPECT_EQ(host.pictures[1].spec.GetPosition().y, top + 58.0f);

  Run("Player.factories.chocolate.stall = true");
  panel->Refresh();
  Frame();
  ASSERT_EQ(host.pictures.size(), 4u);
  EXPECT_EQ(host.pictures[3].texture, TTexture::Get("image/factory_idle_help", 0));
  EXPECT_FLOAT_EQ(host.pictures[3].spec.mAlpha, 0.75f);
  EXPECT_EQ(host.pictures[3].spec.GetPosition().x, left + 60.0f);
  EXPECT_EQ(host.pictures[3].spec.GetPosition().y, top + 58 - 42 + 10.0f);
}

TEST_F(DookieDropperTest, ARunTurnsTheHandOnceAndPulsesTheProductUnlessTheFactoryStands) {
  panel->Refresh();
  panel->Animate();  // at rest: nothing
  EXPECT_EQ(panel->GetAnimCounter(), DookieDropper::kRunMs);
  panel->ResetAnimation();
  for (int i = 0; i < 10; i++) panel->Animate();
  EXPECT_EQ(panel->GetAnimCounter(), 500u);
  const TMat3& hand = panel->GetTimerHand()->GetDrawSpec().mMatrix;
  EXPECT_NEAR(hand.m[0][0], 0.0f, 1e-6);  // a quarter turn
  EXPECT_NEAR(hand.m[0][1], 1.0f, 1e-6);
  EXPECT_FLOAT_EQ(panel->GetProductSprite()->GetDrawSpec().mMatrix.m[0][0], DookieDropper::PulseScale(500, 25));
  EXPECT_EQ(panel->GetProductSprite()->GetPosition().x, 18.0f);
  for (int i = 0; i < 40; i++) panel->Animate();
  EXPECT_EQ(panel->GetAnimCounter(), DookieDropper::kRunMs);
  EXPECT_FLOAT_EQ(panel->GetProductSprite()->GetDrawSpec().mMatrix.m[0][0], 0.25f);

  Run("Player.factories.chocolate.stall = true");
  panel->Refresh();
  panel->ResetAnimation();
  panel->Animate();
  EXPECT_FLOAT_EQ(panel->GetProductSprite()->GetDrawSpec().mMatrix.m[0][0], 0.25f);
}

}  // namespace
