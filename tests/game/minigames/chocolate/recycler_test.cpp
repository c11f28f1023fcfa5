// Recycler: the trip round its closed path by running time, pauses, resets, hits (animation,
// removal, sound, count), missing or empty paths, and the task's period.
#include "game/minigames/chocolate/recycler.h"

#include <gtest/gtest.h>

#include "game/shell/editors/curve.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

class RecyclerTest : public FactoryFixture {
 protected:
  // A closed loop: out along the top and back along the bottom.
  std::shared_ptr<TCurve> Loop() {
    auto c = CreateCurve(TVec2(100, 100), TVec2(300, 0), TVec2(500, 0), TVec2(700, 100));
    c->AddPoint(TVec2(500, 200));
    c->AddPoint(TVec2(300, 200));
    c->AddPoint(TVec2(100, 100));
    return c;
  }
};

TEST_F(RecyclerTest, TripRoundTheClosedPath) {
  PutAnimation("image/recycler", 4);
  auto path = Loop();
  auto bin = Recycler::Create(path, 0);
  EXPECT_EQ(bin->GetLayer(), 3);
  EXPECT_EQ(bin->GetFrameCount(), 4);
  EXPECT_FLOAT_EQ(bin->GetRadius(), 72.0f);
  EXPECT_EQ(bin->GetPosition(), TVec2(100, 100));

  RecyclerTask task(20000);
  task.Add(bin);
  task.Add(bin);
  EXPECT_EQ(task.GetRecyclers().size(), 1u);
  task.Start(0);
  struct Case {
    uint32_t run;  // more running time
    float phase;
  } cases[] = {{5000, 0.25f}, {5000, 0.5f}, {9990, 0.9995f}, {10, 0.0f}, {20000, 0.0f}};
  for (const Case& k : cases) {
    Run(task, k.run);
    EXPECT_NEAR(bin->GetPhase(), k.phase, 1e-4f) << task.GetValue();
    TVec2 want = path->GetPoint(bin->GetPhase());
    EXPECT_NEAR(bin->GetPosition().x, want.x, 1e-3f);
    EXPECT_NEAR(bin->GetPosition().y, want.y, 1e-3f);
  }
  EXPECT_NEAR(bin->GetPosition().x, 100, 1e-3f);  // back at the start

  // Paused, it stands; a reset keeps its place and only the rate changes.
  Run(task, 5000);
  task.Stop();
  Run(task, 3000);
  EXPECT_NEAR(bin->GetPhase(), 0.25f, 1e-4f);
  task.Reset(1.0f);
  task.Start(0);
  Run(task, 5000);
  EXPECT_NEAR(bin->GetPhase(), 0.5f, 1e-4f);
}

TEST_F(RecyclerTest, OffsetAndWrap) {
  auto bin = Recycler::Create(Loop(), 0.75f);
  EXPECT_EQ(bin->GetPhase(), 0.75f);
  bin->SetPhase(0.5f);
  EXPECT_FLOAT_EQ(bin->GetPhase(), 0.25f);
}

TEST_F(RecyclerTest, Hits) {
  PutAnimation("image/recycler", 4);
  auto bin = Recycler::Create(Loop(), 0);
  auto scene = TSprite::Create();
  std::vector<std::shared_ptr<Ingredient>> shots;
  for (int i = 0; i < 3; ++i) {
    shots.push_back(Ingredient::Create(TStr("nuts")));
    scene->AddChild(shots.back());
  }
  EXPECT_TRUE(shots[0]->OnCaughtByRecycler(bin));
  EXPECT_TRUE(bin->IsPlaying(TSprite::kAllDepths));
  const void* thread = bin->GetState().playThread;
  EXPECT_TRUE(bin->Hit(shots[1]));  // still playing: the animation is not started again
  EXPECT_EQ(bin->GetState().playThread, thread);
  EXPECT_TRUE(bin->Hit(shots[2]));
  for (const auto& s : shots) EXPECT_EQ(s->GetParent(), nullptr);
  EXPECT_EQ(TakeSounds(), (std::vector<std::string>{"recycler", "recycler", "recycler"}));
  EXPECT_EQ(State("RecycleCount"), "3");
}

// The factory makes a recycler only with a path table, which may still be empty.
TEST_F(RecyclerTest, EmptyOrMissingPath) {
  ScriptTables s;
  auto empty = s.Table("{}");
  auto bin = Recycler::Create(CreateCurveFromTable(empty.get()), 0);
  EXPECT_EQ(bin->GetPosition(), TVec2());
  bin->SetPhase(0.3f);
  EXPECT_EQ(bin->GetPosition(), TVec2());
  auto pathless = Recycler::Create(nullptr, 0.5f);
  pathless->SetPhase(0.2f);
  EXPECT_FLOAT_EQ(pathless->GetPhase(), 0.7f);
}

TEST_F(RecyclerTest, PeriodAtOrUnderOneStep) {
  auto bin = Recycler::Create(Loop(), 0);
  RecyclerTask task(10);
  EXPECT_EQ(task.GetPeriod(), RecyclerTask::kDefaultPeriod);
  task.Add(bin);
  task.Start(0);
  Run(task, 100);
  EXPECT_GT(bin->GetPhase(), 0.0f);
  EXPECT_NE(LogText().find("RecyclerTask: a period of 10 ms"), std::string::npos);
}

}  // namespace
