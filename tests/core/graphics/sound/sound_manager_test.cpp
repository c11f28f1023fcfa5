// The sound manager: device failures, the stream thread's life, volumes and groups, pause on
// deactivation, lost buffers, refill turns beyond 32 streams, clean-up of finished streams, and
// a smoke test on SDL's dummy audio driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "core/graphics/sound/stream_spooler.h"
#include "tests/core/graphics/sound/sound_fixture.h"

namespace {

int ThreadCount() {
  int n = 0;
  for (auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)entry;
    ++n;
  }
  return n;
}

// Yields (never sleeps) until the condition holds or a generous real-time bound passes.
template <class F>
bool Eventually(F condition) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace

TEST_F(SoundTest, DeviceFailuresLeaveTheManagerUninitialisedWithoutAThread) {
  int threads = ThreadCount();
  manager = std::make_unique<TSoundManager>(true);
  for (void (*fault)(bool) : {&DSoundTest::FailDeviceCreation, &DSoundTest::FailPrimaryBuffer}) {
    fault(true);
    EXPECT_FALSE(manager->Initialize());
    EXPECT_FALSE(manager->IsInitialized());
    EXPECT_FALSE(manager->HasStreamThread());
    EXPECT_EQ(manager->GetDevice(), nullptr);
    EXPECT_EQ(ThreadCount(), threads);
    fault(false);
  }
  std::string log = LogText();
  EXPECT_NE(log.find("DX Error:  (0x88780078), File .\\soundmanager, Line"), std::string::npos) << log;
  EXPECT_NE(log.find("DX Error:  (0x8878000a), File .\\soundmanager, Line"), std::string::npos) << log;
  // A retry starts one thread, and a second initialisation none. (A sanitizer's runtime may
  // start a helper with the first thread, so counts compare with the one after the start.)
  EXPECT_TRUE(manager->Initialize());
  EXPECT_TRUE(manager->HasStreamThread());
  int running = ThreadCount();
  EXPECT_GT(running, threads);
  EXPECT_TRUE(manager->Initialize());
  EXPECT_EQ(ThreadCount(), running);
  // Shut-down wakes and joins the thread at once: the manual clock never moves. (The system
  // may list the thread a moment longer after it has ended.)
  manager.reset();
  EXPECT_TRUE(Eventually([&] { return ThreadCount() == running - 1; }));
}

TEST_F(SoundTest, StreamThreadRefillsItsOwnManagerEvery50ms) {
  Manager(true);
  auto instance = SoundOf(std::make_shared<PatternSource>(5.0))->Play(false);
  DSoundTest::TakeWrites();
  TestControl::WaitForClockWaiters(1);
  TestControl::AdvanceClock(50);
  std::vector<DSoundTest::WriteRecord> writes;
  ASSERT_TRUE(Eventually([&] {
    for (auto& w : DSoundTest::TakeWrites()) writes.push_back(w);
    return !writes.empty();
  }));
  EXPECT_EQ(writes[0].offset, 176400u);
}

TEST_F(SoundTest, GameThreadAndStreamThreadShareSoundsSafely) {
  Manager(true);
  Tone("sfx/short.ogg", 0.3);  // decoded into memory
  Tone("sfx/long.ogg", 2.5);   // decoded as it plays, by both threads
  auto shortSound = TSound::Get("sfx/short");
  auto longSound = TSound::Get("sfx/long");
  ASSERT_TRUE(shortSound && longSound);
  std::atomic<bool> done{false};
  // The sound card and the clock move on together, so the stream thread keeps servicing.
  std::thread device([&] {
    while (!done) {
      DSoundTest::AdvanceFrames(441);
      TestControl::AdvanceClock(10);
      std::this_thread::yield();
    }
  });
  std::vector<std::shared_ptr<TSoundInstance>> all;
  for (int i = 0; i < 60; i++) {
    all.push_back((i % 2 ? shortSound : longSound)->Play(i % 7 == 0));
    if (i % 5 == 0) all[(size_t)i / 2]->Stop();
    if (i % 11 == 0) manager->SetActive(i % 22 != 0);
    manager->SetGroupVolume(0, (i % 10) / 10.0f);
    manager->Update();
    shortSound->GetInstanceCount();
  }
  manager->SetActive(true);
  for (auto& instance : all) instance->Stop();
  done = true;
  device.join();
  EXPECT_EQ(shortSound->GetInstanceCount() + longSound->GetInstanceCount(), 0);
  TestControl::AdvanceClock(501);
  manager->ServiceStreams();
  EXPECT_EQ(manager->GetStreamCount(), 0);
}

TEST_F(SoundTest, VolumesAreMasterTimesGroupMappedOntoTheBuffer) {
  Manager();
  EXPECT_FLOAT_EQ(manager->GetVolume(1001), 1.0f);
  manager->SetMasterVolume(0.8f);
  EXPECT_FLOAT_EQ(manager->GetVolume(1001), 0.8f);  // never set: the master alone
  EXPECT_FLOAT_EQ(manager->GetVolume(-1), 0.8f);
  manager->SetGroupVolume(1001, 0.5f);
  EXPECT_FLOAT_EQ(manager->GetVolume(1001), 0.4f);
  EXPECT_FLOAT_EQ(manager->GetVolume(1000), 0.8f);

  auto music = SoundOf(std::make_shared<PatternSource>(5.0), 1001)->Play(true);
  auto effect = SoundOf(std::make_shared<PatternSource>(5.0), 1000)->Play(true);
  struct Case {
    float master, music;
    LONG musicLevel, effectLevel;
  } cases[] = {{1.0f, 0.5f, -2500, 0},        {1.0f, 1.0f, 0, 0},         {0.5f, 1.0f, -2500, -2500},
               {1.0f, 0.0f, -10000, 0},       {0.0f, 1.0f, -10000, -10000}, {1.0f, NAN, -10000, 0},
               {1.0f, 2.0f, 0, 0},            {1.0f, -1.0f, -10000, 0}};
  for (const Case& c : cases) {
    manager->SetMasterVolume(c.master);
    manager->SetGroupVolume(1001, c.music);
    EXPECT_EQ(BufferVolume(music), c.musicLevel) << c.master << " " << c.music;
    EXPECT_EQ(BufferVolume(effect), c.effectLevel) << c.master << " " << c.music;
  }
}

TEST_F(SoundTest, DeactivationPausesEveryStreamAndActivationResumesThem) {
  Manager();
  auto a = SoundOf(std::make_shared<PatternSource>(5.0))->Play(true);
  auto b = SoundOf(std::make_shared<PatternSource>(5.0), 1001)->Play(false);
  auto held = SoundOf(std::make_shared<PatternSource>(5.0))->Play(false);
  held->Pause(true);  // the game's own pause outlasts the activation
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 2);
  manager->SetActive(false);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  auto late = SoundOf(std::make_shared<PatternSource>(5.0))->Play(false);  // waits for the foreground
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  EXPECT_TRUE(late->IsPlaying());
  DWORD before = 0, after = 0;
  b->GetStream()->GetBuffer()->GetCurrentPosition(&before, nullptr);
  Play(10000);
  b->GetStream()->GetBuffer()->GetCurrentPosition(&after, nullptr);
  EXPECT_EQ(before, after);
  manager->SetActive(true);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 3);
  DWORD status = 0;
  held->GetStream()->GetBuffer()->GetStatus(&status);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  held->Pause(false);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 4);
}

TEST_F(SoundTest, LostBufferIsRestoredAndPlaysOnWithWhatFollows) {
  Manager();
  auto source = std::make_shared<PatternSource>(8.0);
  std::vector<uint8_t> pcm = source->Bytes();
  auto instance = SoundOf(source)->Play(false);
  manager->ServiceStreams();
  Play(50000);  // into the second half; the first is refilled with bytes 352800 on
  DSoundTest::TakeWrites();
  DSoundTest::LoseBuffers();
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  manager->Update();  // the per-frame service notices and restores
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
  auto writes = DSoundTest::TakeWrites();
  ASSERT_GE(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 0u);
  EXPECT_EQ(writes[0].bytes, std::vector<uint8_t>(pcm.begin() + 529200, pcm.begin() + 705600));
  Played();
  Play(1000);
  std::vector<uint8_t> played = Played();
  EXPECT_EQ(std::vector<uint8_t>(played.begin(), played.begin() + 4000),
            std::vector<uint8_t>(pcm.begin() + 529200, pcm.begin() + 533200));
  EXPECT_TRUE(instance->IsPlaying());
}

TEST_F(SoundTest, MoreThan32StreamsTakeTurnsAtBeingRefilled) {
  Manager();
  std::vector<std::shared_ptr<TSoundInstance>> playing;
  std::set<const void*> buffers;
  for (int i = 0; i < 40; i++) {
    playing.push_back(SoundOf(std::make_shared<PatternSource>(5.0))->Play(true));
    buffers.insert(playing.back()->GetStream()->GetBuffer());
  }
  DSoundTest::TakeWrites();
  std::set<const void*> refilled;
  manager->ServiceStreams();
  for (auto& w : DSoundTest::TakeWrites()) refilled.insert(w.buffer);
  EXPECT_EQ(refilled.size(), 32u);
  manager->ServiceStreams();
  for (auto& w : DSoundTest::TakeWrites()) refilled.insert(w.buffer);
  EXPECT_EQ(refilled, buffers);
}

TEST_F(SoundTest, FinishedStreamsLeaveTheListAtTheNextCleanUp) {
  Manager();
  auto instance = SoundOf(std::make_shared<PatternSource>(0.1))->Play(false);
  manager->ServiceStreams();
  Play(44100);
  EXPECT_FALSE(instance->IsPlaying());
  EXPECT_EQ(manager->GetStreamCount(), 1);
  TestControl::AdvanceClock(500);
  manager->ServiceStreams();
  EXPECT_EQ(manager->GetStreamCount(), 1);
  TestControl::AdvanceClock(1);
  manager->ServiceStreams();
  EXPECT_EQ(manager->GetStreamCount(), 0);
  // A sound whose instance was dropped plays on to its end.
  SoundOf(std::make_shared<PatternSource>(3.0))->Play(false);
  TestControl::AdvanceClock(501);
  manager->ServiceStreams();
  EXPECT_EQ(manager->GetStreamCount(), 1);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
}

TEST_F(SoundTest, InstancesOutliveTheManagerQuietly) {
  Manager();
  auto instance = SoundOf(std::make_shared<PatternSource>(5.0))->Play(true);
  manager.reset();
  EXPECT_FALSE(instance->IsPlaying());
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  instance->Stop();
  instance->Pause(false);
  EXPECT_EQ(instance->GetStream()->GetBuffer(), nullptr);
}

TEST_F(SoundTest, SmokeOnTheDummyAudioDriver) {
  DSoundTest::UseManualDevice(false);
  TestControl::UseRealClock();
  Tone("sfx/tone.ogg", 0.5);
  manager = std::make_unique<TSoundManager>(true);
  ASSERT_TRUE(manager->Initialize());
  auto sound = TSound::Get("sfx/tone");
  ASSERT_TRUE(sound);
  auto instance = sound->Play(false);
  ASSERT_TRUE(instance);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
  manager->SetActive(false);
  manager->SetActive(true);
  manager.reset();
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
}
