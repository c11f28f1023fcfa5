// CoffeeProductQueueTask: a product made from the hopper's stock, the spacing between two, the
// queue's gap, counting on arrival, resets, the rate back at 1, an unusable travel time, and a
// factory without a product path.
#include "game/minigames/coffee/coffee_product.h"

#include <gtest/gtest.h>

#include <limits>

#include "game/minigames/coffee/hopper.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/coffee/coffee_fixture.h"

namespace {

class CoffeeProductTest : public CoffeeFixture {
 protected:
  void SetUp() override {
    CoffeeFixture::SetUp();
    PutImage("items/latte_big", 48, 48);
    hopper = CoffeeHopper::Create(TVec2(695, 301), &recipe, TStr("image/machine_2"));
    Build(CreateCurve(TVec2(0, 500), TVec2(1000.0f / 3, 500), TVec2(2000.0f / 3, 500), TVec2(1000, 500)), 4000, 1000);
  }
  void Build(std::shared_ptr<TCurve> path, float travel, float spacing) {
    task = std::make_unique<CoffeeProductQueueTask>(scene, hopper, path, travel, spacing,
                                                    std::vector<TStr>{TStr("items/latte_big")},
                                                    std::vector<TColor>{TColor(1, 1, 1, 1)});
    task->Start(0);
  }
  void Stock(int each) {
    for (int i = 0; i < each; ++i)
      for (const TStr& name : recipe) hopper->AddStock(name);
  }

  std::vector<TStr> recipe{TStr("cocoa"), TStr("milk"), TStr("sugar")};
  std::shared_ptr<CoffeeHopper> hopper;
  std::unique_ptr<CoffeeProductQueueTask> task;
};

TEST_F(CoffeeProductTest, OneOfEachMakesAProduct) {
  Run(*task, 10);
  EXPECT_TRUE(task->GetProducts().empty());
  hopper->AddStock(TStr("cocoa"));
  hopper->AddStock(TStr("milk"));
  Run(*task, 10);
  EXPECT_TRUE(task->GetProducts().empty());
  hopper->AddStock(TStr("sugar"));
  hopper->AddStock(TStr("sugar"));
  Run(*task, 10);
  ASSERT_EQ(task->GetProducts().size(), 1u);
  EXPECT_EQ(hopper->GetStock(0), 0);
  EXPECT_EQ(hopper->GetStock(2), 1);
  auto product = task->GetProducts().front();
  EXPECT_EQ(product->GetParent(), scene.get());
  EXPECT_EQ(product->GetLayer(), 2);
  EXPECT_EQ(product->GetPosition(), TVec2(0, 500));
  EXPECT_EQ(product->GetChildren().size(), 1u);
  EXPECT_FLOAT_EQ(product->GetDrawSpec().mMatrix.m[0][0], 0.5f);
}

// 4000 ms of travel and 1000 ms of spacing: a quarter of the path a second, the next product
// leaving when the one ahead has passed a quarter.
TEST_F(CoffeeProductTest, ProductsLeaveASpacingApart) {
  Stock(2);
  Run(*task, 10);
  EXPECT_EQ(Progress(*task).size(), 1u);
  Run(*task, 990);
  EXPECT_EQ(Progress(*task).size(), 1u);
  EXPECT_NEAR(Progress(*task)[0], 0.2475f, 1e-4f);
  Run(*task, 20);
  ASSERT_EQ(Progress(*task).size(), 2u);
  EXPECT_NEAR(Progress(*task)[0], 0.2525f, 1e-4f);
  EXPECT_EQ(Progress(*task)[1], 0.0f);

  // The first arrives: counted in its step, once; the second follows on.
  auto first = task->GetProducts().front();
  Run(*task, 3000);
  EXPECT_EQ(task->GetProducts().size(), 1u);
  EXPECT_EQ(first->GetParent(), nullptr);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryProductCounted});
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"chocolate_counted"});
  Run(*task, 1000);
  EXPECT_TRUE(task->GetProducts().empty());
}

// A spacing longer than the path: each product leaves when the one ahead has arrived.
TEST_F(CoffeeProductTest, ASpacingLongerThanThePath) {
  Build(CreateCurve(TVec2(0, 500), TVec2(100, 500), TVec2(200, 500), TVec2(300, 500)), 800, 1000);
  Stock(2);
  Run(*task, 10);
  EXPECT_EQ(Progress(*task).size(), 1u);
  Run(*task, 800);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryProductCounted});
  EXPECT_EQ(Progress(*task), std::vector<float>{0.0f});
  Run(*task, 800);
  EXPECT_TRUE(task->GetProducts().empty());
  EXPECT_EQ(hopper->GetStock(0), 0);
}

// One behind another that has covered less than a tenth waits.
TEST_F(CoffeeProductTest, TheQueueWaitsBehindAProductThatJustLeft) {
  Build(CreateCurve(TVec2(0, 500), TVec2(100, 500), TVec2(200, 500), TVec2(300, 500)), 4000, 0);
  task->AddProduct(scene);
  task->AddProduct(scene);
  Run(*task, 390);
  EXPECT_EQ(Progress(*task)[1], 0.0f);
  Run(*task, 20);
  EXPECT_GT(Progress(*task)[1], 0.0f);
}

TEST_F(CoffeeProductTest, AResetLeavesTheProductsAndTheRateReturnsToOne) {
  Stock(1);
  Run(*task, 1000);
  task->Reset(1.0f);
  ASSERT_EQ(task->GetProducts().size(), 1u);
  EXPECT_NEAR(Progress(*task)[0], 0.2475f, 1e-4f);
  task->Start(0);
  task->SetRate(3.0f);
  Run(*task, 1010);
  EXPECT_TRUE(task->GetProducts().empty());
  Run(*task, 10);
  EXPECT_EQ(task->GetRate(), 1.0f);
}

// Products that could never leave, or a factory without a product path.
TEST_F(CoffeeProductTest, AnUnusableTravelTimeOrNoPath) {
  for (float travel : {0.0f, -3000.0f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(travel);
    size_t before = Log().size();
    Build(nullptr, travel, 1000);
    EXPECT_EQ(task->GetTravelTime(), CoffeeProductQueueTask::kDefaultTravelTime);
    EXPECT_GT(Log().size(), before);
    Stock(1);
    Run(*task, 10);
    ASSERT_EQ(task->GetProducts().size(), 1u);
    EXPECT_EQ(task->GetProducts().front()->GetPosition(), TVec2(0, 0));
    Run(*task, 3000);
    EXPECT_TRUE(task->GetProducts().empty());
    EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryProductCounted});
  }
  // A spacing that is not a number would keep every product in.
  Build(nullptr, 3000, std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(task->GetSpacing(), 1000.0f / 3000.0f);
}

}  // namespace
