// ChocolateProductQueueTask: products a tenth of the path apart, counting on arrival (with and
// without a factory window), resets that leave the products standing, and the product's look.
#include "game/minigames/chocolate/chocolate_product.h"

#include <gtest/gtest.h>

#include "core/graphics/texture.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

class ProductTest : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    PutImage("items/truffle_big", 48, 48);
    task = std::make_unique<ChocolateProductQueueTask>(
        CreateCurve(TVec2(0, 500), TVec2(1000.0f / 3, 500), TVec2(2000.0f / 3, 500), TVec2(1000, 500)), 3000,
        std::vector<TStr>{TStr("items/truffle_big"), TStr("items/missing")},
        std::vector<TColor>{TColor(1, 1, 1, 1), TColor(1, 0, 0, 1)});
    task->Start(0);
  }

  std::shared_ptr<TSprite> scene = TSprite::Create();
  std::unique_ptr<ChocolateProductQueueTask> task;
};

TEST_F(ProductTest, TheLook) {
  EXPECT_EQ(task->GetTextures().size(), 1u);  // the missing picture is not held...
  task->AddProduct(scene);
  auto product = task->GetProducts().front();
  EXPECT_EQ(product->GetParent(), scene.get());
  EXPECT_EQ(product->GetLayer(), 2);
  EXPECT_EQ(product->GetPosition(), TVec2(0, 500));
  EXPECT_EQ(product->GetChildren().size(), 2u);  // ...but stays a layer of the look
  EXPECT_FLOAT_EQ(product->GetDrawSpec().mMatrix.m[0][0], 0.5f);
}

TEST_F(ProductTest, SpacedATenthOfThePathApart) {
  task->AddProduct(scene);
  task->AddProduct(scene);
  Run(*task, 290);
  EXPECT_EQ(Progress(*task)[1], 0.0f);  // waits until the first has covered 0.1 (300 ms)
  Run(*task, 20);
  EXPECT_GT(Progress(*task)[1], 0.0f);
  EXPECT_TRUE(TakeOffered().empty());

  // The first arrives: counted in that step, and the one behind moves on in the same step.
  float before = Progress(*task)[1];
  auto first = task->GetProducts().front();
  Run(*task, 2690);
  EXPECT_EQ(task->GetProducts().size(), 1u);
  EXPECT_EQ(first->GetParent(), nullptr);
  EXPECT_GT(Progress(*task)[0], before);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryProductCounted});
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"chocolate_counted"});
}

TEST_F(ProductTest, CountedSoundWithoutAFactoryWindow) {
  CloseFactory();
  task->AddProduct(scene);
  Run(*task, 3000);
  EXPECT_TRUE(task->GetProducts().empty());
  EXPECT_TRUE(scene->GetChildren().empty());
  EXPECT_TRUE(TakeOffered().empty());
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"chocolate_counted"});
}

TEST_F(ProductTest, ResetLeavesTheProductsWhereTheyStand) {
  task->AddProduct(scene);
  Run(*task, 1500);
  task->Reset(1.0f);
  EXPECT_EQ(Progress(*task), std::vector<float>{0.5f});
  Run(*task, 1500);
  EXPECT_EQ(Progress(*task), std::vector<float>{0.5f});  // stopped by the reset
  task->Start(0);
  Run(*task, 1510);
  EXPECT_TRUE(task->GetProducts().empty());
}

}  // namespace
