// IngredientQueue: the belt's spacing in float steps, stopping and taking at the end, shuffled
// batches and colours, the pistons, clearing, bounds on the counts, and the task's period.
#include "game/minigames/ingredient_queue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/base/random.h"
#include "game/minigames/ingredient.h"
#include "game/shell/editors/curve.h"
#include "tests/game/sprite_assets.h"

namespace {

class QueueTest : public GameSpriteTest {
 protected:
  void SetUp() override {
    GameSpriteTest::SetUp();
    SeedRandom(5489);
  }
  // A straight conveyor of 1000 units: an ingredient at path position p stands at x = 1000 p.
  std::shared_ptr<IngredientQueue> Queue(int colours = 1, int count = 5) {
    auto path = CreateCurve(TVec2(0, 400), TVec2(1000.0f / 3, 400), TVec2(2000.0f / 3, 400), TVec2(1000, 400));
    return std::make_shared<IngredientQueue>(&recipe, colours, path, count, parent);
  }
  std::vector<float> Positions(const IngredientQueue& q) {
    std::vector<float> xs;
    for (const auto& i : q.GetBelt()) xs.push_back(i->GetPosition().x / 1000);
    return xs;
  }

  std::vector<TStr> recipe{TStr("cocoa"), TStr("sugar"), TStr("milk")};
  std::shared_ptr<TSprite> parent = TSprite::Create();
};

TEST_F(QueueTest, SpacingInFloatSteps) {
  auto q = Queue();
  q->Advance(0.5f);
  std::vector<float> half = Positions(*q);
  ASSERT_EQ(half.size(), 3u);
  EXPECT_NEAR(half[0], 0.5f, 1e-6f);
  EXPECT_NEAR(half[1], 0.3f, 1e-6f);
  EXPECT_NEAR(half[2], 0.1f, 1e-6f);

  q->Advance(0.7f);
  EXPECT_EQ(q->GetHead(), 1.0f);
  std::vector<float> full = Positions(*q);
  ASSERT_EQ(full.size(), 6u);  // the sixth just past the start of the path
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(full[i], 1.0f - 0.2f * i, 1e-6f) << i;
  EXPECT_GT(full[5], 0.0f);
  EXPECT_LT(full[5], 1e-6f);
  for (const auto& i : q->GetBelt()) EXPECT_EQ(i->GetParent(), parent.get());
}

TEST_F(QueueTest, TakingAtTheEnd) {
  auto q = Queue();
  q->Advance(0.99f);
  EXPECT_EQ(q->TakeNext(), nullptr);
  q->Advance(0.5f);
  auto front = q->PeekFront();
  std::vector<float> before = Positions(*q);
  q->Advance(0.1f);  // stands while the front one waits
  EXPECT_EQ(Positions(*q), before);
  EXPECT_EQ(q->TakeNext(), front);
  EXPECT_EQ(front->GetParent(), parent.get());  // the gun moves it from there
  EXPECT_FLOAT_EQ(q->GetHead(), 0.8f);
  EXPECT_EQ(q->TakeNext(), nullptr);
  q->Advance(0.2f);
  EXPECT_EQ(q->GetHead(), 1.0f);
  EXPECT_NE(q->TakeNext(), nullptr);
}

TEST_F(QueueTest, BatchesHoldEveryNameFiveTimesShuffled) {
  auto q = Queue();
  q->Refill(5);
  const auto& batch = q->GetBatch();
  ASSERT_EQ(batch.size(), 15u);
  std::map<std::string, int> counts;
  std::string order;
  for (const auto& i : batch) {
    counts[i->GetName().c_str()]++;
    order += i->GetName().c_str()[0];
  }
  EXPECT_EQ(counts, (std::map<std::string, int>{{"cocoa", 5}, {"milk", 5}, {"sugar", 5}}));
  EXPECT_NE(order, "csmcsmcsmcsmcsm");

  // The same seed gives the same order.
  SeedRandom(5489);
  auto again = Queue();
  again->Refill(5);
  std::string repeat;
  for (const auto& i : again->GetBatch()) repeat += i->GetName().c_str()[0];
  EXPECT_EQ(repeat, order);
}

TEST_F(QueueTest, Colours) {
  struct Case {
    int count;
    bool rainbow;
    std::set<int> expected;
  } cases[] = {
      {1, false, {-1}},          // no colours: no ring at all
      {0, true, {-1}},
      {2, false, {1, 2}},
      {3, false, {1, 2, 3}},
      {3, true, {0, 1, 2, 3}},
      {7, false, {1, 2, 3}},     // kept to the plain colours: 4 is "mixed"
      {255, true, {0, 1, 2, 3}},
      {-3, false, {-1}},
  };
  for (const Case& k : cases) {
    auto q = Queue(k.count);
    q->SetRainbow(k.rainbow);
    q->Refill(40);
    std::set<int> seen;
    for (const auto& i : q->GetBatch()) seen.insert(i->GetRing() ? i->GetColour() : -1);
    EXPECT_EQ(seen, k.expected) << k.count << (k.rainbow ? " with rainbow" : "");
    EXPECT_LE(q->GetColourCount(), kPlainColourCount);
  }
  EXPECT_NE(LogText().find("IngredientQueue: colour count 7 is out of 0..3; 3 is used"), std::string::npos);
}

TEST_F(QueueTest, PistonsFollowTheirIngredients) {
  auto q = Queue();
  q->Advance(1.0f);
  const auto& pistons = q->GetPistons();
  ASSERT_EQ(pistons.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const auto& at = q->GetBelt()[i]->GetDrawSpec().mMatrix;
    EXPECT_EQ(pistons[i]->upperArm->GetPosition(), q->GetBelt()[i]->GetPosition());
    EXPECT_EQ(pistons[i]->upperArm->GetDrawSpec().mMatrix.m[2][2], at.m[2][2]);
    EXPECT_EQ(pistons[i]->upperArm->GetParent(), parent.get());
    EXPECT_FLOAT_EQ(pistons[i]->lowerArm->GetPosition().y, (600.0f - 400.0f) * 0.5f + 16.0f);
  }
  TVec2 last = pistons[5]->upperArm->GetPosition();
  q->TakeNext();
  q->Advance(0.1f);  // the belt now holds five: the sixth piston keeps its place
  EXPECT_EQ(q->GetBelt().size(), 5u);
  EXPECT_EQ(pistons.size(), 6u);
  EXPECT_EQ(pistons[5]->upperArm->GetPosition(), last);
  EXPECT_EQ(pistons[5]->upperArm->GetParent(), parent.get());
}

TEST_F(QueueTest, ClearEmptiesBeltAndBatchAndKeepsThePistons) {
  auto q = Queue();
  q->Advance(0.7f);
  auto onBelt = q->PeekFront();
  size_t pistons = q->GetPistons().size();
  q->Clear();
  EXPECT_EQ(onBelt->GetParent(), nullptr);
  EXPECT_TRUE(q->GetBelt().empty());
  EXPECT_TRUE(q->GetBatch().empty());
  EXPECT_EQ(q->GetHead(), 0.0f);
  EXPECT_EQ(q->GetPistons().size(), pistons);
}

// A recipe left empty or a missing path must not stop the game: the belt stays empty or at (0, 0).
TEST_F(QueueTest, EmptyRecipeAndMissingPath) {
  recipe.clear();
  auto q = Queue();
  q->Advance(1.0f);
  EXPECT_TRUE(q->GetBelt().empty());
  EXPECT_EQ(q->TakeNext(), nullptr);

  recipe = {TStr("cocoa")};
  IngredientQueue pathless(&recipe, 1, nullptr, 5, parent);
  pathless.Advance(0.5f);
  ASSERT_EQ(pathless.GetBelt().size(), 3u);
  EXPECT_EQ(pathless.GetBelt()[0]->GetPosition(), TVec2());
}

// Past a bound the spacing would fall under a float step at 1.0 and the belt would never fill.
TEST_F(QueueTest, ConveyorCountIsBounded) {
  struct Case {
    int count;
    size_t belt;  // ingredients of a full belt
  } cases[] = {{0, 1}, {-1, 1}, {1, 1}, {2, 2}, {2000000000, 101}};
  for (const Case& k : cases) {
    auto q = Queue(1, k.count);
    q->Advance(1.0f);
    EXPECT_EQ(q->GetBelt().size(), k.belt) << k.count;
  }
  EXPECT_NE(LogText().find("IngredientQueue: conveyor count 2000000000 is out of 1..100; 100 is used"), std::string::npos);
}

TEST_F(QueueTest, TaskMovesTheBeltByItsPeriod) {
  auto q = Queue();
  IngredientQueueTask task(q, 1200);
  task.Start(0);
  for (int i = 0; i < 60; ++i) task.Advance(10);
  EXPECT_NEAR(q->GetHead(), 0.5f, 1e-5f);
  task.Stop();
  task.Advance(1000);
  EXPECT_NEAR(q->GetHead(), 0.5f, 1e-5f);
  task.Reset(1.0f);
  EXPECT_TRUE(q->GetBelt().empty());
  EXPECT_TRUE(task.IsStopped());
}

// A period at or under one step would answer a step of 0 every time and the belt never move.
TEST_F(QueueTest, PeriodAtOrUnderOneStep) {
  for (float period : {5.0f, 10.0f, 0.0f, -20.0f}) {
    IngredientQueueTask task(Queue(), period);
    EXPECT_EQ(task.GetPeriod(), IngredientQueueTask::kDefaultPeriod) << period;
    task.Start(0);
    task.Advance(10);
    EXPECT_GT(task.GetQueue()->GetHead(), 0.0f) << period;
  }
  EXPECT_EQ(IngredientQueueTask(Queue(), 11).GetPeriod(), 11.0f);
  EXPECT_NE(LogText().find("IngredientQueueTask: a period of 5 ms is not longer than one step of 10 ms; 1200 ms is used "
                           "instead"),
            std::string::npos);
}

}  // namespace
