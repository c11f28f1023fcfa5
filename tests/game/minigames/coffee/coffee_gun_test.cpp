// CoffeeGunTask: nothing to fire, a shot at an empty cell (its time, landing where the belt has
// carried the cell, or missing), a shot at a filled cell, a cell beyond a period's reach, a
// click on the gun itself, resets (also from inside a miss), and an unusable period.
#include "game/minigames/coffee/coffee_gun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/coffee/coffee_fixture.h"

namespace {

class CoffeeGunTest : public CoffeeFixture {
 protected:
  void SetUp() override {
    CoffeeFixture::SetUp();
    PutAnimation("image/gun", 3);
    grid = Grid({
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
    });
    Build(TVec2(75, 775), 250);
  }
  // The gun at `at`, at the end of a conveyor of cocoa.
  void Build(TVec2 at, float period) {
    gun = TAnimatedSprite::Create(10);
    gun->SetTexture(TAnimatedTexture::Get(TStr("image/gun.xml")));
    PlaceAt(*gun, at);
    scene->AddChild(gun);
    queue = std::make_shared<IngredientQueue>(
        &recipe, 1, CreateCurve(at - TVec2(300, 0), at - TVec2(200, 0), at - TVec2(100, 0), at), 3, scene);
    task = std::make_unique<CoffeeGunTask>(gun, period, queue, grid);
    task->Start(0);
  }
  // The front ingredient waits at the gun.
  std::shared_ptr<Ingredient> Load() {
    queue->Advance(1.0f);
    return queue->PeekFront();
  }

  std::vector<TStr> recipe{TStr("cocoa")};
  std::shared_ptr<CoffeeIngredientGrid> grid;
  std::shared_ptr<TAnimatedSprite> gun;
  std::shared_ptr<IngredientQueue> queue;
  std::unique_ptr<CoffeeGunTask> task;
};

TEST_F(CoffeeGunTest, NothingToFire) {
  EXPECT_FALSE(task->Fire(80, 280));
  EXPECT_TRUE(task->GetFlying().empty());
  EXPECT_TRUE(TakeSounds().empty());
}

// The cell (1, 5) has its centre (75, 275), 500 pixels above the gun: 1000 pixels a period of
// 250 ms is 125 ms of flight.
TEST_F(CoffeeGunTest, AShotAtAnEmptyCell) {
  auto piece = Load();
  ASSERT_TRUE(task->Fire(80, 280));
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"launch"});
  EXPECT_TRUE(gun->IsPlaying(0));
  EXPECT_EQ(piece->GetLayer(), 8);
  EXPECT_EQ(grid->GetPreview()->GetTexture(), queue->PeekFront()->GetTexture());
  task->Advance(120);
  EXPECT_EQ(task->GetFlying().size(), 1u);
  EXPECT_EQ(Fly(*task), 10u);
  EXPECT_EQ(grid->GetCell(41).name, TStr("cocoa"));
  EXPECT_EQ(piece->GetParent(), grid.get());
  EXPECT_TRUE(TakeOffered().empty());
}

// The belt carried the cell on while the shot flew: the shot lands where it aimed, in whatever
// cell lies there now.
TEST_F(CoffeeGunTest, TheBeltMovesUnderAShot) {
  struct Case {
    bool filled;
  } cases[] = {{false}, {true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.filled);
    grid->Clear();
    PlaceAt(*grid, TVec2(0, 0));
    if (k.filled) Put(*grid, 33, 'b');
    auto piece = Load();
    task->Fire(80, 280);
    PlaceAt(*grid, TVec2(0, 50));  // the cell aimed at is now cell (1, 4)
    Fly(*task);
    EXPECT_EQ(grid->GetCell(41).name, TStr());
    EXPECT_EQ(grid->GetCell(33).name, TStr(k.filled ? "milk" : "cocoa"));
    EXPECT_EQ(TakeOffered(), k.filled ? std::vector<int32_t>{kFactoryIngredientMissed} : std::vector<int32_t>{});
  }
}

TEST_F(CoffeeGunTest, AShotAtAFilledCellFliesOnAndMisses) {
  Put(*grid, 41, 'b');
  auto piece = Load();
  task->Fire(80, 280);
  EXPECT_EQ(Fly(*task), 250u);
  // 1000 pixels the click's way.
  TVec2 d = TVec2(5, -495) * (1.0f / TVec2(5, -495).Length());
  EXPECT_NEAR(piece->GetPosition().x, 75 + 1000 * d.x, 1e-2f);
  EXPECT_NEAR(piece->GetPosition().y, 775 + 1000 * d.y, 1e-2f);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
  // Outside the grid is a miss too.
  Load();
  task->Fire(600, 100);
  Fly(*task);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
}

// A cell more than a period's flight away is reached in one period all the same.
TEST_F(CoffeeGunTest, AFarCellIsReachedInOnePeriod) {
  scene->RemoveChild(gun);
  Build(TVec2(75, 2775), 250);
  auto piece = Load();
  task->Fire(80, 280);
  EXPECT_EQ(Fly(*task), 250u);
  EXPECT_EQ(grid->GetCell(41).name, TStr("cocoa"));
  EXPECT_EQ(piece->GetPosition(), grid->GetCellLocalPosition(41));
}

// A click on the gun itself has no direction: the shot goes the way of the last aim.
TEST_F(CoffeeGunTest, AClickOnTheGunKeepsTheLastAim) {
  EXPECT_EQ(task->Aim(TVec2(75, 775)), TVec2(0, -1));  // straight up at first
  EXPECT_EQ(task->Aim(TVec2(675, 775)), TVec2(1, 0));
  auto piece = Load();
  ASSERT_TRUE(task->Fire(75, 775));
  Fly(*task);
  EXPECT_EQ(piece->GetPosition(), TVec2(1075, 775));
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
}

TEST_F(CoffeeGunTest, AResetTakesTheShotsOffTheScreen) {
  auto a = Load();
  task->Fire(80, 280);
  task->Advance(50);
  task->Reset(1.0f);
  EXPECT_TRUE(task->GetFlying().empty());
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_EQ(grid->GetPreview()->GetTexture(), queue->PeekFront() ? queue->PeekFront()->GetTexture() : nullptr);
  EXPECT_TRUE(task->IsStopped());
}

// A miss runs the window's handling, which may restart the game (and so reset this task) while
// the flights are being walked: the walk stops, the next shot is untouched.
TEST_F(CoffeeGunTest, AResetFromInsideAMiss) {
  Put(*grid, 41, 'b');
  onMessage = [this](TMessage* m) {
    if (m->GetType() == kFactoryIngredientMissed) task->Reset(1.0f);
  };
  auto a = Load();
  task->Fire(80, 280);
  task->Advance(100);
  auto b = Load();
  task->Fire(80, 280);
  task->Start(0);
  Fly(*task);
  EXPECT_TRUE(task->GetFlying().empty());
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
  EXPECT_EQ(b->GetParent(), nullptr);
}

TEST_F(CoffeeGunTest, AnUnusablePeriodIsReplaced) {
  for (float period : {0.0f, 10.0f, -250.0f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(period);
    size_t before = Log().size();
    scene->RemoveChild(gun);
    Build(TVec2(75, 775), period);
    EXPECT_EQ(task->GetPeriod(), CoffeeGunTask::kDefaultPeriod);
    EXPECT_GT(Log().size(), before);
    Load();
    task->Fire(80, 280);
    EXPECT_EQ(Fly(*task), 130u);
    grid->Clear();
  }
}

}  // namespace
