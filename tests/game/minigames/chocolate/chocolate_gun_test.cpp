// ChocolateGunTask: firing from the conveyor, the fixed-length flight, catches by trays along the
// swept segment (only from its start on) and by recyclers at its end point, misses, the aim on
// the gun itself, resets, and a reset made while the flights are walked.
#include "game/minigames/chocolate/chocolate_gun.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

const TVec2 kGun(400, 500);

class GunTest : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    PutAnimation("image/gun", 3);
    PutAnimation("image/recycler", 2);
    gun = TAnimatedSprite::Create(10);
    gun->SetTexture(TAnimatedTexture::Get(TStr("image/gun.xml")));
    gun->SetPosition(kGun);
    scene->AddChild(gun);
    // The conveyor ends at the gun; every ingredient on it is cocoa.
    queue = std::make_shared<IngredientQueue>(&beltRecipe, 1, CreateCurve(TVec2(100, 500), TVec2(200, 500), TVec2(300, 500), kGun),
                                              3, scene);
    task = std::make_unique<ChocolateGunTask>(gun, 250, queue, &trays);
    task->Start(0);
  }
  // The front ingredient waits at the gun.
  void Load() { queue->Advance(1.0f); }
  std::shared_ptr<ChocolateTray> Tray(TVec2 at) {
    auto tray = ChocolateTray::Create(&trayRecipe, nullptr, 0, 0);
    tray->SetPosition(at);
    scene->AddChild(tray);
    trays.Add(tray);
    return tray;
  }
  std::shared_ptr<Recycler> Bin(TVec2 at) {
    auto bin = Recycler::Create(CreateCurve(at, at + TVec2(1, 0), at + TVec2(2, 0), at + TVec2(3, 0)), 0);
    scene->AddChild(bin);
    bins.Add(bin);
    task->SetRecyclers(&bins);
    return bin;
  }

  std::vector<TStr> beltRecipe{TStr("cocoa")};
  std::vector<TStr> trayRecipe{TStr("cocoa"), TStr("sugar")};
  std::shared_ptr<TSprite> scene = TSprite::Create();
  std::shared_ptr<TAnimatedSprite> gun;
  std::shared_ptr<IngredientQueue> queue;
  ChocolateTrayTask trays{30000};
  RecyclerTask bins{20000};
  std::unique_ptr<ChocolateGunTask> task;
};

TEST_F(GunTest, NothingToFire) {
  EXPECT_FALSE(task->Fire(400, 100));
  EXPECT_TRUE(task->GetFlying().empty());
  EXPECT_FALSE(gun->IsPlaying(0));
  EXPECT_TRUE(TakeSounds().empty());
}

TEST_F(GunTest, AShotFliesItsWholeLineInOnePeriod) {
  Load();
  auto piece = queue->PeekFront();
  ASSERT_TRUE(task->Fire(400, 450));  // 50 units away: the click gives only the direction
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"launch"});
  EXPECT_TRUE(gun->IsPlaying(0));
  EXPECT_EQ(piece->GetLayer(), 8);
  EXPECT_EQ(piece->GetPosition(), kGun);  // it moves with the next step
  EXPECT_NE(queue->PeekFront(), piece);

  task->Advance(kFactoryStepMs);
  EXPECT_NEAR(piece->GetPosition().y, 460, 1e-3f);
  EXPECT_EQ(Fly(*task), 240u);
  EXPECT_NEAR(piece->GetPosition().y, -500, 1e-3f);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});

  // A stopped task holds its shots where they are.
  Load();
  piece = queue->PeekFront();
  task->Fire(400, 0);
  task->Advance(kFactoryStepMs);
  task->Stop();
  task->Advance(100);
  EXPECT_NEAR(piece->GetPosition().y, 460, 1e-3f);
}

// Shots go straight up from the gun at (400, 500), 40 units a step; which tray catches.
TEST_F(GunTest, WhereATrayCatches) {
  struct Case {
    const char* what;
    TVec2 tray;
    bool caught;
  } cases[] = {
      {"at the limit beside the line", {491, 200}, true},  // 75 + 16 away
      {"just beyond the limit", {492, 200}, false},
      {"the limit from the gun itself", {400, 591}, true},
      {"on the line behind the gun", {400, 800}, false},
      {"past the end of the line", {400, -592}, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto tray = Tray(k.tray);
    Load();
    auto piece = queue->PeekFront();
    task->Fire(400, 0);
    Fly(*task);
    EXPECT_EQ(tray->GetPlaces()[0] == piece, k.caught);
    EXPECT_EQ(TakeOffered() == std::vector<int32_t>{kFactoryIngredientMissed}, !k.caught);
    scene->RemoveChild(tray);
    tray->Clear(false);
    trays = ChocolateTrayTask(30000);
  }
}

TEST_F(GunTest, FirstTrayInOrderThenOnToLaterTraysAndRecyclers) {
  // Both come in reach in the step that ends at y 380; the one added first is the farther.
  auto first = Tray({440, 300}), second = Tray({390, 300});
  Load();
  auto a = queue->PeekFront();
  task->Fire(400, 0);
  Fly(*task);
  EXPECT_EQ(first->GetPlaces()[0], a);
  EXPECT_EQ(second->GetFilled(), 0u);
  TakeSounds();

  // The first tray has no cocoa place left: the next shot flies on to the second.
  Load();
  auto b = queue->PeekFront();
  task->Fire(400, 0);
  Fly(*task);
  EXPECT_EQ(second->GetPlaces()[0], b);

  // Neither has one now: a recycler on the line takes it without a miss.
  Bin({400, 0});
  Load();
  auto third = queue->PeekFront();
  task->Fire(400, 0);
  EXPECT_LT(Fly(*task), 250u);
  EXPECT_EQ(third->GetParent(), nullptr);
  EXPECT_TRUE(TakeOffered().empty());
  EXPECT_EQ(State("RecycleCount"), "1");
}

TEST_F(GunTest, RecyclersOnlyAtTheEndOfEachStep) {
  // 87 units beside the line, halfway between two step ends (y 460 and 420): the line passes
  // within its reach of 88, no step ends within it.
  Bin({487, 440});
  Load();
  task->Fire(400, 0);
  Fly(*task);
  EXPECT_EQ(TakeOffered(), std::vector<int32_t>{kFactoryIngredientMissed});
}

TEST_F(GunTest, AClickOnTheGunKeepsTheLastAim) {
  struct Case {
    TVec2 aimedAt;  // last aim before the click on the gun (the gun itself: never aimed)
    TVec2 offset;
  } cases[] = {{kGun, {0, -1000}}, {{700, 500}, {1000, 0}}, {{400, 900}, {0, 1000}}};
  for (const Case& k : cases) {
    EXPECT_EQ(task->Aim(k.aimedAt), k.offset * 0.001f);
    Load();
    auto piece = queue->PeekFront();
    ASSERT_TRUE(task->Fire((int32_t)kGun.x, (int32_t)kGun.y));
    ASSERT_EQ(task->GetFlying().size(), 1u);
    EXPECT_EQ(task->GetFlying().front()->offset, k.offset);
    task->Advance(kFactoryStepMs);
    EXPECT_TRUE(std::isfinite(piece->GetPosition().x) && std::isfinite(piece->GetPosition().y));
    Fly(*task);
  }
}

TEST_F(GunTest, ResetTakesTheShotsOffTheScreen) {
  Load();
  auto a = queue->PeekFront();
  task->Fire(400, 0);
  task->Advance(kFactoryStepMs);
  task->Reset(1.0f);
  EXPECT_TRUE(task->GetFlying().empty());
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_TRUE(task->IsStopped());
}

// The factory may restart the game while it handles a miss (a pause panel's script): the walk
// over the flights must not go on over what the reset emptied.
TEST_F(GunTest, ResetWhileTheFlightsAreWalked) {
  std::vector<std::shared_ptr<Ingredient>> pieces;
  for (int i = 0; i < 3; ++i) {
    Load();
    pieces.push_back(queue->PeekFront());
    task->Fire(400, 0);
    task->Advance(kFactoryStepMs);
  }
  int resets = 0;
  onMessage = [&](TMessage* m) {
    if (m->GetType() == kFactoryIngredientMissed) {
      ++resets;
      task->Reset(1.0f);
      task->Start(0);
    }
  };
  Fly(*task);
  EXPECT_EQ(resets, 1);
  EXPECT_TRUE(task->GetFlying().empty());
  for (const auto& piece : pieces) EXPECT_EQ(piece->GetParent(), nullptr);
}

}  // namespace
