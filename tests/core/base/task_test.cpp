// Tests of timed tasks, task lists and the pausable clock, all on the manual clock.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <vector>

#include "core/base/anim_task.h"
#include "core/base/clock.h"
#include "core/base/platform_time.h"
#include "core/base/task_list.h"
#include "platform/test_control.h"
#include "platform/win32/win32.h"

namespace {
// A timed task that counts its runs and can be told what to answer.
class CountingTask : public TAnimTask {
 public:
  explicit CountingTask(TClock* clock = nullptr) : TAnimTask(clock) {}
  bool Animate() override {
    ++runs;
    if (onAnimate) onAnimate();
    return keep;
  }
  int runs = 0;
  bool keep = true;
  std::function<void()> onAnimate;
};

// A plain task for list tests; counts deletions through a shared counter.
class ListTask : public TTask {
 public:
  ListTask(int* deleted, std::vector<int>* order, int id) : mDeleted(deleted), mOrder(order), mId(id) {}
  ~ListTask() override { ++*mDeleted; }
  bool Ready(int code) override { return !notReady; }
  bool DoTask() override {
    mOrder->push_back(mId);
    if (action) action();
    return keep;
  }
  bool keep = true;
  bool notReady = false;
  std::function<void()> action;

 private:
  int* mDeleted;
  std::vector<int>* mOrder;
  int mId;
};

class TaskTest : public ::testing::Test {
 protected:
  void SetUp() override { TestControl::UseManualClock(100000); }
  void TearDown() override {
    SetPlatformTimeSource(nullptr);
    TestControl::UseRealClock();
  }
};
}  // namespace

TEST_F(TaskTest, NewTaskIsDueAtOnceAndTimerRules) {
  CountingTask t;
  EXPECT_TRUE(t.Ready(0));
  EXPECT_FALSE(t.Ready(1));
  t.SetMessageFlag(true);
  EXPECT_TRUE(t.Ready(1));

  EXPECT_EQ(t.SetTimer(50, true, false, false), 50u);  // counted from the last due time
  EXPECT_EQ(t.GetDueTime(), 100050u);
  EXPECT_EQ(t.GetTimePastDue(), -50);
  EXPECT_FALSE(t.Ready(0));
  TestControl::AdvanceClock(50);
  EXPECT_TRUE(t.Ready(0));
  t.SetTimer(30, false, true, false);
  EXPECT_EQ(t.GetDueTime(), 100080u);
  EXPECT_EQ(t.GetPeriod(), 0u);
  t.StopTimer();
  EXPECT_FALSE(t.Ready(0));
  EXPECT_FALSE(t.Ready(1));
  EXPECT_EQ(t.GetTimePastDue(), -1);
  t.SetTimer(20, true, false, false);  // no timer: counted from now
  EXPECT_EQ(t.GetDueTime(), 100070u);
}

TEST_F(TaskTest, CatchUpTable) {
  struct Case {
    uint32_t late;
    bool catchUp;
    bool fromNow;
    int runs;
    int32_t dueAfter;  // relative to now
  } cases[] = {
      {0, true, false, 1, 100},    {500, true, false, 5, 0},    {550, true, false, 6, 50},
      {500, false, false, 1, -400}, {1000, true, false, 10, 0},  {1001, true, false, 1, 100},
      {5000, true, false, 1, 100}, {5000, false, false, 1, 100}, {500, true, true, 1, 100},
  };
  for (const Case& c : cases) {
    TestControl::UseManualClock(100000);
    CountingTask t;
    t.SetTimer(100, true, c.fromNow, c.catchUp);
    TestControl::AdvanceClock(100 + c.late);
    ASSERT_TRUE(t.Ready(0));
    EXPECT_TRUE(t.DoTask());
    EXPECT_EQ(t.runs, c.runs) << "late " << c.late << " catch-up " << c.catchUp;
    EXPECT_EQ((int32_t)(t.GetDueTime() - timeGetTime()), c.dueAfter) << "late " << c.late;
  }
}

TEST_F(TaskTest, FiveSecondsLateRunsOnceThenOncePerCall) {
  CountingTask t;
  t.SetTimer(100, true, false, true);
  TestControl::AdvanceClock(5100);
  t.DoTask();
  EXPECT_EQ(t.runs, 1);
  EXPECT_FALSE(t.Ready(0));
  for (int i = 0; i < 3; ++i) {
    TestControl::AdvanceClock(100);
    ASSERT_TRUE(t.Ready(0));
    t.DoTask();
  }
  EXPECT_EQ(t.runs, 4);
}

TEST_F(TaskTest, OneShotStaysReadyAndNeverSpins) {
  CountingTask t;
  t.SetTimer(100, false, false, false);
  TestControl::AdvanceClock(100);
  t.DoTask();
  EXPECT_EQ(t.runs, 1);
  EXPECT_TRUE(t.Ready(0));  // due + 0: still due until stopped

  // With catch-up and no period there is nothing to step by: one run, not an endless loop.
  CountingTask c;
  c.SetTimer(0, false, false, true);
  TestControl::AdvanceClock(500);
  c.DoTask();
  EXPECT_EQ(c.runs, 1);

  // A task that stops its own timer inside Animate ends the catch-up.
  CountingTask s;
  s.SetTimer(100, true, false, true);
  s.onAnimate = [&] { s.StopTimer(); };
  TestControl::AdvanceClock(800);
  s.DoTask();
  EXPECT_EQ(s.runs, 1);
  EXPECT_FALSE(s.Ready(0));
}

TEST_F(TaskTest, TimersSurviveTheClockWrap) {
  TestControl::UseManualClock(0xFFFFFF3Cu);
  CountingTask t;
  t.SetTimer(100, true, false, true);  // due 0xFFFFFFA0
  TestControl::AdvanceClock(180);      // now 0xFFFFFFF0, 80 late
  ASSERT_TRUE(t.Ready(0));
  t.DoTask();
  EXPECT_EQ(t.runs, 1);
  EXPECT_EQ(t.GetDueTime(), 0x4u);
  EXPECT_FALSE(t.Ready(0));
  TestControl::AdvanceClock(0x14);
  EXPECT_TRUE(t.Ready(0));
  TestControl::AdvanceClock(250);  // 250 late across the wrap: two more periods caught up
  t.DoTask();
  EXPECT_EQ(t.runs, 4);
}

TEST_F(TaskTest, ClockPausesAndResumes) {
  TClock clock;
  EXPECT_TRUE(clock.IsPaused());
  EXPECT_EQ(clock.GetTime(), 0u);
  clock.Start();
  TestControl::AdvanceClock(100);
  EXPECT_EQ(clock.GetTime(), 100u);
  EXPECT_FALSE(clock.Pause());
  EXPECT_TRUE(clock.Pause());
  TestControl::AdvanceClock(50);
  EXPECT_EQ(clock.GetTime(), 100u);
  clock.Start();
  clock.Start();  // no effect while running
  TestControl::AdvanceClock(100);
  EXPECT_EQ(clock.GetTime(), 200u);
  clock.SetTime(5000);
  TestControl::AdvanceClock(10);
  EXPECT_EQ(clock.GetTime(), 5010u);
  clock.Reset();
  TestControl::AdvanceClock(10);
  EXPECT_EQ(clock.GetTime(), 0u);
  EXPECT_TRUE(clock.IsPaused());
  clock.Start();
  TestControl::AdvanceClock(7);
  EXPECT_EQ(clock.GetTime(), 7u);
}

TEST_F(TaskTest, TasksOnTheirOwnClockFreezeWithIt) {
  TClock clock;
  clock.Start();
  CountingTask t(&clock);
  t.SetTimer(100, true, false, false);
  TestControl::AdvanceClock(60);
  clock.Pause();
  TestControl::AdvanceClock(1000);
  EXPECT_FALSE(t.Ready(0));
  clock.Start();
  TestControl::AdvanceClock(40);
  EXPECT_TRUE(t.Ready(0));

  // Switching clocks keeps the time left: due in 25 ms stays due in 25 ms.
  CountingTask s;
  s.SetTimer(30, true, true, false);
  TClock modal;
  modal.Start();
  TestControl::AdvanceClock(5);
  modal.Pause();
  s.SetClock(&modal);
  EXPECT_EQ(s.GetTimePastDue(), -25);
  EXPECT_EQ(s.GetClock(), &modal);
  modal.Start();
  TestControl::AdvanceClock(24);
  EXPECT_FALSE(s.Ready(0));
  TestControl::AdvanceClock(1);
  EXPECT_TRUE(s.Ready(0));
  s.SetClock(nullptr);
  EXPECT_EQ(s.GetTimePastDue(), 0);
  s.StopTimer();
  s.SetClock(&modal);
  EXPECT_EQ(s.GetTimePastDue(), -1);
}

TEST_F(TaskTest, PlatformTimeSourceSeam) {
  static uint32_t fake = 777;
  SetPlatformTimeSource([] { return fake; });
  EXPECT_EQ(GetPlatformTime(), 777u);
  CountingTask t;
  EXPECT_EQ(t.GetDueTime(), 777u);
  SetPlatformTimeSource(nullptr);
  EXPECT_EQ(GetPlatformTime(), 100000u);
}

TEST(TaskListTest, PassOrderReadinessAndDeletion) {
  int deleted = 0;
  std::vector<int> order;
  TTaskList list;
  auto* a = new ListTask(&deleted, &order, 1);
  auto* b = new ListTask(&deleted, &order, 2);
  auto* c = new ListTask(&deleted, &order, 3);
  list.AddTask(a);
  list.AddTask(b);
  list.AddTask(c);
  b->notReady = true;
  a->keep = false;
  list.RunTasks(0);
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(list.Count(), 2u);
  ListTask stranger(&deleted, &order, 9);
  EXPECT_FALSE(list.RemoveTask(&stranger));
  EXPECT_TRUE(list.RemoveTask(b));  // handed back, not deleted
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(list.Count(), 1u);
  delete b;
  EXPECT_EQ(deleted, 2);
}  // the stranger goes here too

TEST(TaskListTest, TasksChangeTheListDuringAPass) {
  int deleted = 0;
  std::vector<int> order;
  {
    TTaskList list;
    auto* self = new ListTask(&deleted, &order, 1);
    auto* other = new ListTask(&deleted, &order, 2);
    auto* adder = new ListTask(&deleted, &order, 3);
    auto* last = new ListTask(&deleted, &order, 4);
    // Removes itself and the next task, and adds one: the removed tasks are not deleted.
    self->action = [&] {
      EXPECT_TRUE(list.RemoveTask(self));
      EXPECT_TRUE(list.RemoveTask(other));
      EXPECT_TRUE(list.IsRunning());
    };
    ListTask* added = nullptr;
    adder->action = [&] {
      added = new ListTask(&deleted, &order, 5);
      list.AddTask(added);
      adder->action = nullptr;
    };
    list.AddTask(self);
    list.AddTask(other);
    list.AddTask(adder);
    list.AddTask(last);
    list.RunTasks(0);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 5}));  // "other" was skipped
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_FALSE(list.Contains(self));
    EXPECT_FALSE(list.IsRunning());
    delete self;
    delete other;
    EXPECT_EQ(deleted, 2);
  }
  EXPECT_EQ(deleted, 5);  // the list's destructor deleted the three it still held
}

TEST(TaskListTest, NewTaskAtAHandedBackTasksAddressStaysInTheList) {
  int deleted = 0;
  std::vector<int> order;
  TTaskList list;
  auto* handed = new ListTask(&deleted, &order, 1);
  auto* swapper = new ListTask(&deleted, &order, 2);
  ListTask* reborn = nullptr;
  // Hands a task back, deletes it and adds a new one in its storage, all within one pass.
  swapper->action = [&] {
    EXPECT_TRUE(list.RemoveTask(handed));
    handed->~ListTask();
    reborn = new (handed) ListTask(&deleted, &order, 3);
    list.AddTask(reborn);
    EXPECT_TRUE(list.Contains(reborn));
    swapper->action = nullptr;
  };
  list.AddTask(swapper);
  list.AddTask(handed);
  list.RunTasks(0);
  EXPECT_EQ(order, (std::vector<int>{2, 3}));  // the new task ran in the same pass
  EXPECT_TRUE(list.Contains(reborn));
  EXPECT_EQ(list.Count(), 2u);
  list.RunTasks(0);
  EXPECT_EQ(order, (std::vector<int>{2, 3, 2, 3}));
}

TEST(TaskListTest, KillAllDuringAPass) {
  int deleted = 0;
  std::vector<int> order;
  TTaskList list;
  auto* handedBack = new ListTask(&deleted, &order, 1);
  auto* killer = new ListTask(&deleted, &order, 2);
  auto* after = new ListTask(&deleted, &order, 3);
  killer->action = [&] {
    list.RemoveTask(handedBack);
    list.KillAllTasks();
    list.KillAllTasks();  // twice must not delete twice
  };
  list.AddTask(handedBack);
  list.AddTask(killer);
  list.AddTask(after);
  list.RunTasks(0);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));  // the rest of the pass was skipped
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(list.Count(), 0u);
  delete handedBack;  // still the caller's
  EXPECT_EQ(deleted, 3);

  // A task that finishes and is killed in the same pass is deleted once.
  auto* finisher = new ListTask(&deleted, &order, 4);
  finisher->keep = false;
  finisher->action = [&] { list.KillAllTasks(); };
  list.AddTask(finisher);
  list.RunTasks(0);
  EXPECT_EQ(deleted, 4);
}

TEST(TaskListTest, MessageCodeRunsTasksWithTheirFlagSet) {
  TestControl::UseManualClock(1000);
  TTaskList list;
  auto* waiting = new CountingTask;
  auto* idle = new CountingTask;
  waiting->SetMessageFlag(true);
  list.AddTask(waiting);
  list.AddTask(idle);
  list.RunTasks(1);
  EXPECT_EQ(waiting->runs, 1);
  EXPECT_EQ(idle->runs, 0);
  list.RunTasks(0);
  EXPECT_EQ(idle->runs, 1);
  TestControl::UseRealClock();
}
