// Output and timer on the manual DirectSound device and the manual clock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "audio_engine/direct_sound_system.h"
#include "audio_engine/update_list.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"

using namespace Tarn;

namespace {

// A source whose bytes count up, so the written ring shows what was read where.
class CountingReader : public cIReader {
 public:
  int Open() override { return 0; }
  int Close() override { return 0; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override {
    uint32_t n = mShort ? count / 2 : count;
    for (uint32_t i = 0; i < n; i++) ((uint8_t*)buffer)[i] = (uint8_t)(mNext++);
    *read = n;
    return 0;
  }
  int GetSize(uint32_t*) override { return 3; }
  uint32_t mNext = 0;
  bool mShort = false;
};

struct Counter : cIUpdate {
  int Update() override {
    ++ticks;
    return 0;
  }
  std::atomic<int> ticks{0};
};

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
    output = std::make_unique<cTarnDirectSoundSystem>(nullptr);
    ASSERT_NE(output->Device(), nullptr);
  }
  void TearDown() override {
    output.reset();
    DSoundTest::EnableTap(false);
  }
  std::unique_ptr<cTarnDirectSoundSystem> output;
};

}  // namespace

TEST_F(OutputTest, RefillsOfTheRingWrapAndReportWhatWasDelivered) {
  CountingReader source;
  cTarnDirectSoundPlayer player(output.get());
  ASSERT_EQ(player.SetSource(&source, nullptr), 0);
  ASSERT_EQ(player.Play(), 0);
  EXPECT_EQ(player.Update(), 0);  // cursor equal to the write position: nothing written
  EXPECT_TRUE(DSoundTest::TakeWrites().empty());
  DSoundTest::AdvanceFrames(7000);  // 28000 bytes
  output->Update();
  auto writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 0u);
  EXPECT_EQ(writes[0].bytes.size(), 28000u);
  DSoundTest::AdvanceFrames(2000);  // 8000 bytes: crosses the end of the 32768-byte ring
  output->Update();
  writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].offset, 28000u);
  EXPECT_EQ(writes[0].bytes.size(), 32768u - 28000u);
  EXPECT_EQ(writes[1].offset, 0u);
  EXPECT_EQ(writes[1].bytes.size(), 8000u - (32768u - 28000u));
  EXPECT_EQ(writes[1].bytes[0], (uint8_t)(28000 + 32768 - 28000));
  EXPECT_EQ(player.WritePosition(), (28000u + 8000u) % 32768u);
  // A source that delivers half: only that is reported at unlock.
  source.mShort = true;
  DSoundTest::AdvanceFrames(100);
  output->Update();
  writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes.size(), 200u);
}

TEST_F(OutputTest, PauseStopsTheBufferAndUnpauseRefillsThePlayedSpan) {
  CountingReader source;
  cTarnDirectSoundPlayer player(output.get());
  player.SetSource(&source, nullptr);
  player.Play();
  DSoundTest::AdvanceFrames(500);
  player.Stop();  // "Pause"
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  output->Update();
  EXPECT_TRUE(DSoundTest::TakeWrites().empty());
  DSoundTest::AdvanceFrames(500);  // a stopped buffer does not move
  player.Play();  // "Unpause"
  output->Update();
  auto writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes.size(), 2000u);
}

TEST_F(OutputTest, WithoutADeviceTheOutputStaysSilent) {
  output.reset();
  DSoundTest::FailDeviceCreation(true);
  cTarnDirectSoundSystem none(nullptr);
  EXPECT_EQ(none.Device(), nullptr);
  DSoundTest::FailDeviceCreation(false);
  DSoundTest::FailPrimaryBuffer(true);
  cTarnDirectSoundSystem noPrimary(nullptr);
  EXPECT_EQ(noPrimary.SetupResult(), 12);
  DSoundTest::FailPrimaryBuffer(false);
  cTarnDirectSoundPlayer player(nullptr);
  EXPECT_EQ(player.Play(), 13);
  EXPECT_EQ(player.Stop(), 13);
}

TEST(UpdateList, ChangesDuringARunApplyAfterIt) {
  cUpdateList list;
  Counter a, b;
  struct Changer : cIUpdate {
    cUpdateList* list;
    cIUpdate* add;
    cIUpdate* self;
    int runs = 0;
    int Update() override {
      runs++;
      list->Add(add);
      list->Add(add);  // listed once
      list->Add(self);
      list->Remove(self);  // an addition then a removal of the same object: removed
      return 0;
    }
  } changer;
  changer.list = &list;
  changer.add = &a;
  changer.self = &changer;
  list.Add(&changer);
  list.Add(&b);
  list.Run();
  EXPECT_EQ(changer.runs, 1);
  EXPECT_EQ(b.ticks, 1);
  EXPECT_EQ(a.ticks, 0);  // added during the run: ticked from the next one
  EXPECT_FALSE(list.Contains(&changer));
  list.Run();
  EXPECT_EQ(a.ticks, 1);
  EXPECT_EQ(changer.runs, 1);
  EXPECT_EQ(list.Size(), 2u);
}

TEST(UpdateList, ARemovalThenAnAdditionDuringARunKeepsTheMember) {
  // "Pause" then "Unpause" from the game's thread while a tick runs: still playing after it.
  cUpdateList list;
  Counter player;
  struct Toggler : cIUpdate {
    cUpdateList* list;
    cIUpdate* player;
    int Update() override {
      list->Remove(player);
      list->Add(player);
      return 0;
    }
  } toggler;
  toggler.list = &list;
  toggler.player = &player;
  list.Add(&toggler);
  list.Add(&player);
  list.Run();
  EXPECT_TRUE(list.Contains(&player));
  EXPECT_EQ(list.Size(), 2u);
}

TEST(CallbackTimer, TicksAboutFiftyTimesASecondOnTheManualClock) {
  TestControl::UseManualClock(5000);
  Counter counter;
  {
    cCallbackTimer timer;
    timer.SetCallback(&counter, 20, 10);
    ASSERT_EQ(timer.Start(), 0);
    auto waitFor = [&](int n) {
      for (int spin = 0; spin < 2000000 && counter.ticks < n; spin++) std::this_thread::yield();
    };
    waitFor(1);  // the first expiry is immediate
    for (int ms = 0; ms < 1000; ms += 10) {
      int before = counter.ticks;
      TestControl::AdvanceClock(10);
      if ((ms / 10) % 2 == 1) waitFor(before + 1);
    }
    waitFor(51);
    EXPECT_GE(counter.ticks, 50);
    EXPECT_LE(counter.ticks, 52);
  }
  TestControl::UseRealClock();
  cCallbackTimer never;
  EXPECT_EQ(never.Stop(), 0);  // never started: only cancels
}

TEST(CallbackTimer, PauseAndUnpauseAgainstRunningTicks) {
  DSoundTest::UseManualDevice(true);
  TestControl::UseManualClock(1000);
  cTarnDirectSoundSystem output(nullptr);
  CountingReader source;
  cTarnDirectSoundPlayer player(&output);
  player.SetSource(&source, nullptr);
  player.Play();
  ASSERT_EQ(output.Start(), 0);
  std::atomic<bool> done{false};
  // Sound card time and the clock move on together, so the timer ticks throughout.
  std::thread device([&] {
    while (!done) {
      DSoundTest::AdvanceFrames(882);
      TestControl::AdvanceClock(20);
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 1000 || (output.Timer()->Ticks() < 50 && i < 10000000); i++) {
    player.Stop();  // "Pause"
    player.Play();  // "Unpause"
  }
  EXPECT_GE(output.Timer()->Ticks(), 50u);
  done = true;
  device.join();
  output.Stop();
  EXPECT_EQ(output.Timer(), nullptr);
  // The player is a member exactly once, whatever the interleaving.
  output.Update();
  EXPECT_TRUE(output.Updates().Contains(&player));
  EXPECT_EQ(output.Updates().Size(), 1u);
  output.Updates().Clear();
  TestControl::UseRealClock();
}
