// Flying rings: one ring from each place of a tray, a flight of 50 steps at 500 ms, landing
// messages, pauses and resets, launches without a parent or a factory, and the task's period.
#include "game/minigames/chocolate/flying_ring.h"

#include <gtest/gtest.h>

#include "core/graphics/texture.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

const TVec2 kTarget(689, 555);

class RingTest : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    PutImage("image/item_ring", 16, 16);
  }
  // A tray of the recipe's size at (x, y) in the scene, in the given colour.
  std::shared_ptr<ChocolateTray> Tray(float x, float y, uint8_t colour) {
    auto tray = ChocolateTray::Create(&recipe, nullptr, 0, 0);
    scene->AddChild(tray);
    tray->SetPosition(TVec2(x, y));
    tray->SetColour(colour);
    return tray;
  }
  void Launch(const std::shared_ptr<ChocolateTray>& tray) {
    FlyingRingStartMessage start(tray, tray->GetColour(), factory);
    start.Launch(&task, kTarget);
  }
  int Landed() {
    int n = 0;
    for (int32_t type : TakeOffered()) n += type == kFactoryRingLanded;
    return n;
  }

  std::vector<TStr> recipe{TStr("cocoa"), TStr("sugar"), TStr("milk"), TStr("nuts")};
  std::shared_ptr<TSprite> scene = TSprite::Create();
  FlyingRingTask task{500};
};

TEST_F(RingTest, OneRingFromEachPlaceInFiftySteps) {
  auto tray = Tray(200, 150, kColourYellow);
  Launch(tray);
  const auto rings = task.GetRings();
  ASSERT_EQ(rings.size(), 4u);
  std::vector<TVec2> places;
  tray->GetSlotPoints(places);
  for (size_t i = 0; i < rings.size(); ++i) {
    EXPECT_EQ(rings[i]->GetParent(), scene.get());
    EXPECT_EQ(rings[i]->GetLayer(), 15);
    EXPECT_EQ(rings[i]->GetTexture(), TTexture::Get(TStr("image/item_ring")));
    EXPECT_FLOAT_EQ(rings[i]->GetDrawSpec().mColor.g, 209 / 255.0f);
    EXPECT_EQ(rings[i]->GetPath()->GetStartPoint(), places[i]);
    EXPECT_EQ(rings[i]->GetPath()->GetEndPoint(), kTarget);
  }
  task.Start(0);
  for (int step = 1; step <= 49; ++step) task.Advance(10);
  EXPECT_EQ(task.GetRings().size(), 4u);
  EXPECT_EQ(Landed(), 0);
  for (const auto& r : rings) EXPECT_LT(r->GetProgress(), 1.0f);
  task.Advance(10);
  EXPECT_TRUE(task.GetRings().empty());
  EXPECT_EQ(Landed(), 4);
  for (const auto& r : rings) {
    EXPECT_EQ(r->GetParent(), nullptr);
    EXPECT_EQ(r->GetPosition(), kTarget);
  }
}

// Rings launched later land later; every landing is one message. Launched at another point of
// the task's cycle the float steps may sum to just under 1 after 50, so the second group lands
// on the 50th or 51st step after its launch.
TEST_F(RingTest, TwoTraysFlyIndependently) {
  Launch(Tray(100, 100, kColourRed));
  task.Start(0);
  for (int i = 0; i < 20; ++i) task.Advance(10);
  Launch(Tray(500, 100, kColourBlue));
  EXPECT_EQ(task.GetRings().size(), 8u);
  for (int i = 0; i < 30; ++i) task.Advance(10);
  EXPECT_EQ(Landed(), 4);
  EXPECT_EQ(task.GetRings().size(), 4u);
  for (int i = 0; i < 19; ++i) task.Advance(10);
  EXPECT_EQ(Landed(), 0);
  task.Advance(10);
  task.Advance(10);
  EXPECT_EQ(Landed(), 4);
  EXPECT_TRUE(task.GetRings().empty());
}

TEST_F(RingTest, PausesAndResetsKeepTheFlight) {
  Launch(Tray(100, 100, kColourRed));
  task.Start(0);
  for (int i = 0; i < 10; ++i) task.Advance(10);
  float progress = task.GetRings()[0]->GetProgress();
  TVec2 at = task.GetRings()[0]->GetPosition();
  task.Stop();
  for (int i = 0; i < 100; ++i) task.Advance(10);
  EXPECT_EQ(task.GetRings()[0]->GetProgress(), progress);
  EXPECT_EQ(task.GetRings()[0]->GetPosition(), at);
  task.Reset(1.0f);  // a new game: the rings in flight go on when the task runs again
  EXPECT_EQ(task.GetRings().size(), 4u);
  task.Start(0);
  for (int i = 0; i < 39; ++i) task.Advance(10);
  EXPECT_EQ(Landed(), 0);
  task.Advance(10);
  task.Advance(10);
  EXPECT_EQ(Landed(), 4);
}

TEST_F(RingTest, LaunchWithoutParentOrFactory) {
  auto loose = ChocolateTray::Create(&recipe, nullptr, 0, 0);
  loose->SetColour(kColourRed);
  Launch(loose);
  EXPECT_TRUE(task.GetRings().empty());

  Launch(Tray(100, 100, kColourRed));
  auto ring = task.GetRings()[0];
  CloseFactory();
  task.Start(0);
  for (int i = 0; i < 50; ++i) task.Advance(10);
  EXPECT_TRUE(task.GetRings().empty());  // still landed and taken away, without a message
  EXPECT_EQ(ring->GetParent(), nullptr);
  EXPECT_EQ(Landed(), 0);
}

TEST_F(RingTest, PeriodAtOrUnderOneStep) {
  for (float period : {5.0f, 10.0f}) {
    FlyingRingTask quick(period);
    EXPECT_EQ(quick.GetPeriod(), FlyingRingTask::kDefaultPeriod);
    auto ring = FlyingRing::Create(kColourRed, TVec2(0, 0), kTarget);
    quick.Add(ring);
    quick.Start(0);
    for (int i = 0; i < 50; ++i) quick.Advance(10);
    EXPECT_TRUE(quick.GetRings().empty()) << period;
  }
}

}  // namespace
