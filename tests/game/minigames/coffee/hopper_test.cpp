// CoffeeHopper and its collection flights: the meters for each recipe length (and one too long
// for the machine), stock spread over repeated names, taking one of each, the needles, and the
// flight of a group taken off the moving belt into the hopper.
#include "game/minigames/coffee/hopper.h"

#include <gtest/gtest.h>

#include "core/graphics/texture.h"
#include "game/minigames/flying_ingredient.h"
#include "tests/game/minigames/coffee/coffee_fixture.h"

namespace {

class HopperTest : public CoffeeFixture {
 protected:
  std::shared_ptr<CoffeeHopper> Hopper(std::vector<TStr> names) {
    recipe = std::move(names);
    auto hopper = CoffeeHopper::Create(TVec2(695, 301), &recipe, TStr("image/machine_5"));
    scene->AddChild(hopper);
    return hopper;
  }
  std::vector<int32_t> Stock(const CoffeeHopper& hopper) {
    std::vector<int32_t> out;
    for (size_t i = 0; i < hopper.GetSlotCount(); ++i) out.push_back(hopper.GetStock(i));
    return out;
  }
  std::vector<TStr> recipe;
};

TEST_F(HopperTest, TheMetersForEachRecipe) {
  struct Case {
    std::vector<TStr> recipe;
    std::vector<TVec2> meters;
    bool logged;
  } cases[] = {
      {{"cocoa", "milk", "sugar"}, {{-6.5f, -53}, {-6.5f, 12}, {-6.5f, 77}}, false},
      {{"cocoa", "milk", "sugar", "nuts"}, {{-56.5f, -32}, {49.5f, -32}, {-56.5f, 49}, {49.5f, 49}}, false},
      {{"cocoa", "milk", "sugar", "nuts", "mint"},
       {{-56.5f, -32}, {49.5f, -32}, {-56.5f, 49}, {49.5f, 49}, {-3.5f, 11}},
       false},
      // The machine holds six meters; the rest of a longer recipe is left out.
      {{"a", "b", "c", "d", "e", "f", "g"},
       {{-56.5f, -32}, {49.5f, -32}, {-56.5f, 49}, {49.5f, 49}, {-3.5f, 11}, {49.5f, 130}},
       true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.recipe.size());
    size_t before = Log().size();
    auto hopper = Hopper(k.recipe);
    EXPECT_EQ(hopper->GetLayer(), 9);
    EXPECT_EQ(hopper->GetPosition(), TVec2(695, 301));
    ASSERT_EQ(hopper->GetMeters().size(), k.meters.size());
    for (size_t i = 0; i < k.meters.size(); ++i) {
      EXPECT_EQ(hopper->GetMeters()[i]->GetPosition(), k.meters[i]) << i;
      EXPECT_EQ(hopper->GetMeters()[i]->GetChildren()[0]->GetTexture(), TTexture::Get(TStr("items/") + k.recipe[i]));
      EXPECT_EQ(hopper->GetNeedles()[i]->GetPosition(), TVec2(25.5f, 24));
    }
    EXPECT_EQ(Log().size() > before, k.logged);
    // Every slot stocked once makes one of each; the left-out names are never asked for.
    for (const TStr& name : k.recipe) hopper->AddStock(name);
    EXPECT_TRUE(hopper->TakeOneOfEach());
  }
}

TEST_F(HopperTest, StockAndTakingOneOfEach) {
  auto hopper = Hopper({"cocoa", "milk", "cocoa"});
  // A name the recipe holds twice fills the emptier slot, the later one on a tie.
  hopper->AddStock(TStr("cocoa"));
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{0, 0, 1}));
  hopper->AddStock(TStr("cocoa"));
  hopper->AddStock(TStr("cocoa"));
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{1, 0, 2}));
  hopper->AddStock(TStr("sugar"));
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{1, 0, 2}));
  // One at 0: nothing taken.
  EXPECT_FALSE(hopper->TakeOneOfEach());
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{1, 0, 2}));
  hopper->AddStock(TStr("milk"));
  EXPECT_TRUE(hopper->TakeOneOfEach());
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{0, 0, 1}));
  hopper->ResetStock();
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{0, 0, 0}));

  // With no slot at all there is nothing to take.
  EXPECT_FALSE(Hopper({})->TakeOneOfEach());
}

TEST_F(HopperTest, TheNeedleRisesWithTheStock) {
  auto hopper = Hopper({"cocoa", "milk", "sugar"});
  struct Case {
    int units;
    float y;
  } cases[] = {{0, 24}, {1, 19.2f}, {5, 0}, {10, -24}, {11, -24}};
  for (const Case& k : cases) {
    hopper->ResetStock();
    for (int i = 0; i < k.units; ++i) hopper->AddStock(TStr("milk"));
    EXPECT_FLOAT_EQ(hopper->GetNeedles()[1]->GetPosition().y, k.y) << k.units;
    EXPECT_EQ(hopper->GetNeedles()[0]->GetPosition().y, 24);
  }
}

// A group leaves the belt, which stands moved down the screen: its sprites first stand where
// they are seen, then fly into the hopper's inlet, and reach it after 250 ms.
TEST_F(HopperTest, CollectedIngredientsFlyIntoTheHopper) {
  auto hopper = Hopper({"cocoa", "milk", "sugar"});
  auto grid = Grid({"aaa", "..."}, 30, 60);
  PlaceAt(*grid, TVec2(30, 85));
  std::vector<std::shared_ptr<TSprite>> group;
  for (int32_t i : {0, 1, 2}) group.push_back(grid->TakeCell(i));
  HopperCollectionTask task(hopper);
  task.Reset(1.0f);
  task.Start(0);
  task.AddCollected(group);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(group[i]->GetParent(), scene.get());
    EXPECT_EQ(group[i]->GetPosition(), TVec2(30 + 25 + 50 * (float)i, 85 + 25));
    EXPECT_EQ(group[i]->GetLayer(), 7);
  }
  Run(task, 100);
  EXPECT_NEAR(group[0]->GetPosition().x, 55 + (620 - 55) * 0.4f, 1e-3f);
  EXPECT_NEAR(group[0]->GetPosition().y, 110 + (301 - 110) * 0.4f, 1e-3f);
  Run(task, 140);
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{0, 0, 0}));
  Run(task, 10);
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{3, 0, 0}));
  EXPECT_TRUE(task.GetFlying().empty());
  for (const auto& sprite : group) EXPECT_EQ(sprite->GetParent(), nullptr);

  // A reset empties the hopper and takes the flights off the screen.
  Put(*grid, 4, 'b');
  auto b = grid->TakeCell(4);
  task.AddFlight(b);
  Run(task, 100);
  task.Reset(1.0f);
  EXPECT_EQ(Stock(*hopper), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_TRUE(task.GetFlying().empty());
  EXPECT_EQ(b->GetParent(), nullptr);
}

}  // namespace
