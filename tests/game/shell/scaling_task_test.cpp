// Scaling values: the owner-driven task on its private clock (start, stop, reset, cycles,
// a zero-length cycle) and the timer-driven one on the manual platform clock.
#include <gtest/gtest.h>

#include <limits>

#include "core/base/platform_time.h"
#include "game/shell/old_scaling_task.h"
#include "game/shell/scaling_task.h"
#include "platform/test_control.h"

namespace {

// Counts the virtual updates, as the factory tasks override Update.
class CountingScalingTask : public TScalingTask {
 public:
  bool Update() override {
    ++updates;
    return TScalingTask::Update();
  }
  int updates = 0;
};

// Moves the private clock without a step, as between an owner's Advance and its cycle step.
class ClockTask : public CountingScalingTask {
 public:
  void MoveClock(uint32_t ms) { mCurrentTime += ms; }
};

}  // namespace

TEST(ScalingTaskTest, RunsOnlyWhileStartedAndStoppedTimeNeverCounts) {
  CountingScalingTask task;
  task.Advance(100);  // new tasks are stopped
  EXPECT_EQ(task.GetValue(), 0);
  EXPECT_EQ(task.updates, 0);

  task.SetRate(0.5f);
  task.Start(12345);
  task.Advance(100);
  EXPECT_EQ(task.GetValue(), 50);
  EXPECT_EQ(task.GetPrevious(), 0);
  task.Advance(20);
  EXPECT_EQ(task.GetValue(), 60);
  EXPECT_EQ(task.GetPrevious(), 50);

  task.SetRate(1);
  task.Stop();
  task.Advance(1000);
  task.Start(0);
  task.Advance(10);
  EXPECT_EQ(task.GetValue(), 70);  // not 1070
  EXPECT_EQ(task.updates, 3);

  task.MultiplyScale(1.5f);
  task.MultiplyScale(2);
  EXPECT_EQ(task.GetRate(), 3);

  task.Reset(0.25f);
  EXPECT_EQ(task.GetValue(), 0);
  EXPECT_EQ(task.GetPrevious(), 0);
  EXPECT_EQ(task.GetCurrentTime(), 0u);
  EXPECT_TRUE(task.IsStopped());
  task.Advance(100);  // a reset task waits for Start again
  EXPECT_EQ(task.GetValue(), 0);
  task.Start(0);
  task.Advance(100);
  EXPECT_EQ(task.GetValue(), 25);
}

TEST(ScalingTaskTest, UpdateCycleTable) {
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float start;  // the value before the measured step
    uint32_t ms;  // the measured step at rate 1
    float period;
    float fraction;
  } cases[] = {
      {0, 10, 100, 0.1f},    {95, 10, 100, 0.1f},  // over the cycle's end
      {100, 25, 100, 0.25f}, {0, 0, 100, 0},
      {25, 100, 100, 0},     // a whole cycle lands where it began (exact in single precision)
      {0, 10, 0, 1},         {0, 0, 0, 0},  // a zero-length cycle is over once the value moves
      {0, 10, kNaN, 1},
  };
  for (const Case& c : cases) {
    ClockTask task;
    task.Start(0);
    task.Advance((uint32_t)c.start);
    task.Stop();  // the cycle step runs whatever the stopped flag
    task.MoveClock(c.ms);
    int updates = task.updates;
    float fraction = task.UpdateCycle(c.period);
    EXPECT_NEAR(fraction, c.fraction, 1e-5) << "from " << c.start << " by " << c.ms << " period " << c.period;
    EXPECT_EQ(task.GetPrevious(), c.start);
    EXPECT_EQ(task.GetValue(), c.start + (float)c.ms);
    EXPECT_EQ(task.updates, updates);  // the virtual Update is not called
  }
}

TEST(ScalingTaskTest, ACycleTaskSumsItsFractionsToTheElapsedCycles) {
  // The factory tasks move by UpdateCycle from their Update: a 10 ms step over a 30 ms period.
  struct Cycler : TScalingTask {
    bool Update() override {
      total += UpdateCycle(30);
      return true;
    }
    double total = 0;
  } task;
  task.Start(0);
  for (int i = 0; i < 90; ++i) task.Advance(10);
  EXPECT_NEAR(task.total, 30.0, 1e-3);
  EXPECT_EQ(task.GetValue(), 900);
}

class OldScalingTaskTest : public ::testing::Test {
 protected:
  void SetUp() override { TestControl::UseManualClock(0xFFFFFF00u); }  // wraps during the test
  void TearDown() override { TestControl::UseRealClock(); }
};

TEST_F(OldScalingTaskTest, CountsPlatformTimeFromStartAtItsPeriod) {
  TOldScalingTask task;
  TestControl::AdvanceClock(500);  // before Start: not counted
  task.Start(30);
  EXPECT_FALSE(task.Ready(0));
  TestControl::AdvanceClock(30);
  ASSERT_TRUE(task.Ready(0));
  EXPECT_TRUE(task.DoTask());
  EXPECT_EQ(task.GetValue(), 30);
  EXPECT_EQ(task.GetDueTime(), GetPlatformTime() + 30);  // from now, repeating

  // Paused by its timer, then started again: the paused time does not count.
  task.StopTimer();
  TestControl::AdvanceClock(5000);
  EXPECT_FALSE(task.Ready(0));
  task.Start(30);
  TestControl::AdvanceClock(45);  // late, no catch-up: one run counts all 45 ms
  ASSERT_TRUE(task.Ready(0));
  task.DoTask();
  EXPECT_EQ(task.GetValue(), 75);
  EXPECT_EQ(task.GetPrevious(), 30);

  task.Reset(2);
  EXPECT_EQ(task.GetValue(), 0);
  TestControl::AdvanceClock(30);  // the timer keeps running through a reset
  ASSERT_TRUE(task.Ready(0));
  task.DoTask();
  EXPECT_EQ(task.GetValue(), 60);  // 30 ms since the reset at rate 2
}
