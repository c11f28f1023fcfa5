// Ingredient: its ring through colour changes, the hand-overs to trays and recyclers, misses
// with and without a factory window, and the piston's sprites (also without pictures).
#include "game/minigames/ingredient.h"

#include <gtest/gtest.h>

#include "core/graphics/texture.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

class IngredientTest : public FactoryFixture {};

TEST_F(IngredientTest, RingFollowsTheColour) {
  PutImage("items/cocoa", 8, 8);
  PutImage("image/item_ring", 8, 8);
  PutImage("image/item_ring_rainbow", 8, 8);
  auto cocoa = Ingredient::Create(TStr("cocoa"));
  EXPECT_EQ(cocoa->GetTexture(), TTexture::Get(TStr("items/cocoa")));
  EXPECT_EQ(cocoa->GetLayer(), 4);
  EXPECT_EQ(cocoa->GetRing(), nullptr);  // never coloured: no ring at all
  EXPECT_TRUE(cocoa->GetChildren().empty());

  struct Step {
    uint8_t colour;
    const char* ring;
    TColor tint;
  } steps[] = {
      {kColourNone, "image/item_ring_rainbow", TColor(1, 1, 1, 1)},
      {kColourBlue, "image/item_ring", TColor(45 / 255.0f, 56 / 255.0f, 197 / 255.0f, 1)},
      {kColourYellow, "image/item_ring", TColor(1, 209 / 255.0f, 23 / 255.0f, 1)},
      {kColourRed, "image/item_ring", TColor(235 / 255.0f, 14 / 255.0f, 14 / 255.0f, 1)},
  };
  for (const Step& s : steps) {
    cocoa->SetColour(s.colour);
    auto ring = cocoa->GetRing();
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->GetLayer(), -1);
    EXPECT_EQ(ring->GetParent(), cocoa.get());
    EXPECT_EQ(ring->GetTexture(), TTexture::Get(TStr(s.ring))) << (int)s.colour;
    EXPECT_FLOAT_EQ(ring->GetDrawSpec().mColor.r, s.tint.r);
    EXPECT_FLOAT_EQ(ring->GetDrawSpec().mColor.g, s.tint.g);
    EXPECT_FLOAT_EQ(ring->GetDrawSpec().mColor.b, s.tint.b);
    EXPECT_EQ(cocoa->GetColour(), s.colour);
  }
  EXPECT_EQ(cocoa->GetChildren().size(), 1u);
}

// A colour past the table reads as mixed.
TEST_F(IngredientTest, ColourTable) {
  EXPECT_FLOAT_EQ(GetColourTint(kColourMixed).b, 1.0f);
  EXPECT_FLOAT_EQ(GetColourTint(200).g, 1.0f);
  EXPECT_FLOAT_EQ(GetColourTint(kColourRed).g, 14 / 255.0f);
}

TEST_F(IngredientTest, HandOvers) {
  struct Catcher : IngredientTray, IngredientRecycler {
    bool AddIngredient(std::shared_ptr<Ingredient> i) override { return got.push_back("tray:" + std::string(i->GetName().c_str())), false; }
    bool Hit(std::shared_ptr<Ingredient> i) override { return got.push_back("bin:" + std::string(i->GetName().c_str())), true; }
    std::vector<std::string> got;
  };
  auto catcher = std::make_shared<Catcher>();
  auto sugar = Ingredient::Create(TStr("sugar"));
  EXPECT_TRUE(sugar->OnCaughtByTray(catcher));  // true even when the tray had no place
  EXPECT_TRUE(sugar->OnCaughtByRecycler(catcher));
  EXPECT_EQ(catcher->got, (std::vector<std::string>{"tray:sugar", "bin:sugar"}));
  EXPECT_EQ(Ingredient::From(sugar), sugar);
  EXPECT_EQ(Ingredient::From(TSprite::Create()), nullptr);
}

TEST_F(IngredientTest, MissesReachTheFactoryWindow) {
  auto milk = Ingredient::Create(TStr("milk"));
  std::shared_ptr<Ingredient> carried;
  onMessage = [&](TMessage* m) {
    ASSERT_TRUE(m->IsKindOf(MissedIngredientMessage::ClassId()));
    carried = static_cast<MissedIngredientMessage*>(m)->GetIngredient();
  };
  EXPECT_TRUE(milk->OnMissed());
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
  EXPECT_EQ(carried, milk);

  CloseFactory();
  EXPECT_TRUE(milk->OnMissed());
  EXPECT_TRUE(TakeOffered().empty());
  manager->PopModal();
  EXPECT_TRUE(milk->OnMissed());
}

TEST_F(IngredientTest, PistonSprites) {
  PutImage("image/ingredient_arm_2", 20, 60);
  PutImage("image/ingredient_arm_1", 12, 90);
  IngredientPiston piston;
  EXPECT_EQ(piston.upperArm->GetLayer(), -100);
  EXPECT_TRUE(piston.upperArm->GetDrawSpec().mFlags & TDrawSpec::kOrigin);
  EXPECT_EQ(piston.upperArm->GetDrawSpec().mOrigin, TVec2(10, -16));
  EXPECT_EQ(piston.lowerArm->GetDrawSpec().mOrigin, TVec2(6, 0));
  EXPECT_EQ(piston.lowerArm->GetPosition(), TVec2(0, 120));
  EXPECT_EQ(piston.lowerArm->GetParent(), piston.upperArm.get());
  ASSERT_EQ(piston.upperArm->GetChildren().size(), 3u);
  // The fingers draw above the lower arm, 6 either side.
  EXPECT_EQ(piston.upperArm->GetChildren()[1]->GetPosition(), TVec2(-6, 0));
  EXPECT_EQ(piston.upperArm->GetChildren()[2]->GetPosition(), TVec2(6, 0));
}

// Without the pictures the arms are anchored as if 0 x 0 instead of reading a missing size.
TEST_F(IngredientTest, PistonWithoutPictures) {
  IngredientPiston piston;
  EXPECT_EQ(piston.upperArm->GetTexture(), nullptr);
  EXPECT_EQ(piston.upperArm->GetDrawSpec().mOrigin, TVec2(0, -16));
  EXPECT_EQ(piston.lowerArm->GetDrawSpec().mOrigin, TVec2(0, 0));
}

}  // namespace
