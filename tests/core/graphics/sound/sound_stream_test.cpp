// Sound streams on the manual device: buffer geometry and notifications, half-by-half refills
// checked against what the device played, ends of sounds played once, loops, queued sounds and
// streams that keep time without a device.
#include <gtest/gtest.h>

#include "core/graphics/sound/stream_spooler.h"
#include "tests/core/graphics/sound/sound_fixture.h"

namespace {

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + std::min(bytes.size(), from + count));
}

bool Silent(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  for (size_t i = from; i < to && i < bytes.size(); i++)
    if (bytes[i]) return false;
  return true;
}

}  // namespace

TEST_F(SoundTest, BuffersHoldTwoSecondsWithNotificationsAtTheStartAndTheHalf) {
  Manager();
  struct Case {
    int channels, rate;
    uint32_t size;
  } cases[] = {{2, 44100, 352800}, {1, 44100, 176400}, {1, 22050, 88200}, {2, 48000, 384000}, {2, 22050, 176400}};
  for (const Case& c : cases) {
    auto instance = SoundOf(std::make_shared<PatternSource>(5.0, c.channels, c.rate))->Play(false);
    ASSERT_TRUE(instance);
    IDirectSoundBuffer* buffer = instance->GetStream()->GetBuffer();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(instance->GetStream()->GetBufferSize(), c.size);
    EXPECT_EQ(DSoundTest::NotificationOffsets(buffer), (std::vector<uint32_t>{0, c.size / 2, DSBPN_OFFSETSTOP}));
    WAVEFORMATEX format{};
    buffer->GetFormat(&format, sizeof format, nullptr);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.nSamplesPerSec, (DWORD)c.rate);
    DWORD status = 0;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, (DWORD)(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    instance->Stop();
  }
}

TEST_F(SoundTest, HalvesAreRefilledAsThePlayCursorLeavesThem) {
  Manager();
  auto source = std::make_shared<PatternSource>(5.0);
  std::vector<uint8_t> pcm = source->Bytes();
  auto instance = SoundOf(source)->Play(false);
  auto writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 0u);
  EXPECT_EQ(writes[0].bytes, Slice(pcm, 0, 176400));
  manager->ServiceStreams();  // the second half, before the cursor gets there
  writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 176400u);
  EXPECT_EQ(writes[0].bytes, Slice(pcm, 176400, 176400));
  Play(44000);  // still in the first half: nothing to do
  EXPECT_TRUE(DSoundTest::TakeWrites().empty());
  Play(100);
  writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 0u);
  EXPECT_EQ(writes[0].bytes, Slice(pcm, 352800, 176400));
  Play(44100);
  writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].offset, 176400u);
  // What the device played is the sound, sample for sample.
  EXPECT_EQ(Played(), Slice(pcm, 0, 88200 * 4));
}

TEST_F(SoundTest, SoundPlayedOnceShorterThanAHalfEndsAfterItsSilentPadding) {
  Manager();
  auto source = std::make_shared<PatternSource>(0.25);
  auto instance = SoundOf(source)->Play(false);
  manager->ServiceStreams();
  EXPECT_TRUE(instance->IsPlaying());
  Play(44099);
  EXPECT_TRUE(instance->IsPlaying());
  Play(2);  // the padded half has played
  EXPECT_FALSE(instance->IsPlaying());
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  std::vector<uint8_t> played = Played();
  EXPECT_EQ(Slice(played, 0, 44100), source->Bytes());
  EXPECT_TRUE(Silent(played, 44100, played.size()));
}

TEST_F(SoundTest, SoundPlayedOnceLongerThanTheBufferPlaysToItsEnd) {
  Manager();
  auto source = std::make_shared<PatternSource>(3.3);
  std::vector<uint8_t> pcm = source->Bytes();
  auto instance = SoundOf(source)->Play(false);
  manager->ServiceStreams();
  std::vector<uint8_t> played;
  int halves = 0;
  while (instance->IsPlaying() && halves < 20) {
    Play(22050);
    std::vector<uint8_t> more = Played();
    played.insert(played.end(), more.begin(), more.end());
    ++halves;
  }
  EXPECT_FALSE(instance->IsPlaying());
  ASSERT_GE(played.size(), pcm.size());
  EXPECT_EQ(Slice(played, 0, pcm.size()), pcm);
  EXPECT_TRUE(Silent(played, pcm.size(), played.size()));
  // It ends once the half holding the last bytes has played: 3.3 s of sound ends at 4 s.
  EXPECT_EQ(played.size(), 4u * 176400);
}

TEST_F(SoundTest, LoopedSoundGoesOnAroundItsEnd) {
  Manager();
  // Half a second: every refill ends exactly at the end of the sound, and the next one must
  // start over rather than leave its half silent.
  auto source = std::make_shared<PatternSource>(0.5);
  std::vector<uint8_t> pcm = source->Bytes();
  auto instance = SoundOf(source)->Play(true);
  manager->ServiceStreams();
  std::vector<uint8_t> played;
  for (int i = 0; i < 12; i++) {
    Play(22050);
    std::vector<uint8_t> more = Played();
    played.insert(played.end(), more.begin(), more.end());
  }
  EXPECT_TRUE(instance->IsPlaying());
  for (size_t at = 0; at + pcm.size() <= played.size(); at += pcm.size())
    ASSERT_EQ(Slice(played, at, pcm.size()), pcm) << at;
  instance->Stop();
  EXPECT_FALSE(instance->IsPlaying());
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
}

TEST_F(SoundTest, QueuedSoundStartsInTheHalfWhereTheCurrentOneEnds) {
  Manager();
  auto first = std::make_shared<PatternSource>(1.2, 2, 44100, 1);
  auto second = std::make_shared<PatternSource>(0.4, 2, 44100, 30000);
  auto now = SoundOf(first)->Play(false);
  auto next = SoundOf(second)->PlayAfter(now);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->GetStream(), now->GetStream());
  EXPECT_TRUE(next->IsPlaying());
  manager->ServiceStreams();
  // The second half holds the end of the first sound and, right after it, the second.
  auto writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 2u);
  std::vector<uint8_t> expected = first->Bytes();
  std::vector<uint8_t> tail = second->Bytes();
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(writes[1].offset, 176400u);
  ASSERT_EQ(writes[1].bytes.size(), 176400u);
  EXPECT_EQ(Slice(writes[1].bytes, 0, expected.size() - 176400), Slice(expected, 176400, 176400));
  EXPECT_TRUE(Silent(writes[1].bytes, expected.size() - 176400, 176400));
  EXPECT_FALSE(now->IsPlaying());  // handed over
  EXPECT_TRUE(next->IsPlaying());
  std::vector<uint8_t> played;
  for (int i = 0; i < 8 && next->IsPlaying(); i++) {
    Play(22050);
    std::vector<uint8_t> more = Played();
    played.insert(played.end(), more.begin(), more.end());
  }
  EXPECT_FALSE(next->IsPlaying());
  EXPECT_EQ(Slice(played, 0, expected.size()), expected);
  // A sound queued after one that has ended simply plays.
  auto alone = SoundOf(second)->PlayAfter(now);
  ASSERT_TRUE(alone);
  EXPECT_NE(alone->GetStream(), now->GetStream());
}

TEST_F(SoundTest, WithoutADeviceSoundsKeepTimeSilently) {
  manager = std::make_unique<TSoundManager>(false);  // never initialised: no device
  auto instance = SoundOf(std::make_shared<PatternSource>(1.5))->Play(false);
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->GetStream()->GetBuffer(), nullptr);
  TestControl::AdvanceClock(1400);
  manager->ServiceStreams();
  EXPECT_TRUE(instance->IsPlaying());
  TestControl::AdvanceClock(200);
  manager->ServiceStreams();
  EXPECT_FALSE(instance->IsPlaying());
  // Looped, it goes on.
  auto looped = SoundOf(std::make_shared<PatternSource>(0.5))->Play(true);
  TestControl::AdvanceClock(2000);
  manager->ServiceStreams();
  EXPECT_TRUE(looped->IsPlaying());
}
