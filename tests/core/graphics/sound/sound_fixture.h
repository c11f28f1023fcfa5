// A fixture for the framework sound: the file layer in a temporary folder with its log, the
// manual sound device with its tap, the manual clock, and Ogg tones registered as files.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "core/base/memory_file.h"
#include "core/graphics/sound/sound.h"
#include "core/graphics/sound/sound_data.h"
#include "core/graphics/sound/sound_instance.h"
#include "core/graphics/sound/sound_manager.h"
#include "core/graphics/sound/sound_stream.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"
#include "tests/core/base/file_fixture.h"
#include "tools/tonegen/tone.h"

// 16-bit PCM whose samples count up from a start value, so that what was played shows where it
// came from.
class PatternSource : public TSoundDataSource {
 public:
  PatternSource(double seconds, int channels = 2, int rate = 44100, int start = 1)
      : mRate(rate), mChannels(channels), mStart(start) {
    mLength = (uint64_t)(seconds * rate + 0.5) * channels * 2;
  }
  int Read(void* buffer, uint64_t position, int count) override {
    int n = 0;
    for (; n < count && position + n < mLength; n++) ((uint8_t*)buffer)[n] = Byte(position + n);
    return n;
  }
  uint8_t Byte(uint64_t at) const {
    uint16_t sample = (uint16_t)(mStart + at / 2);
    return at % 2 ? (uint8_t)(sample >> 8) : (uint8_t)sample;
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b((size_t)mLength);
    for (size_t i = 0; i < b.size(); i++) b[i] = Byte(i);
    return b;
  }
  uint64_t GetLength() override { return mLength; }
  int GetSampleRate() override { return mRate; }
  int GetChannelCount() override { return mChannels; }
  double GetDuration() override { return (double)mLength / (mRate * mChannels * 2); }

 private:
  uint64_t mLength;
  int mRate, mChannels, mStart;
};

class SoundTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    TestControl::UseManualClock(1000);
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
  }
  void TearDown() override {
    manager.reset();
    DSoundTest::EnableTap(false);
    DSoundTest::FailDeviceCreation(false);
    DSoundTest::FailPrimaryBuffer(false);
    TestControl::UseRealClock();
    FileLayerTest::TearDown();
  }

  // An Ogg tone registered under the name (a file of the file map, held in memory).
  void Tone(const std::string& name, double seconds, double frequency = 1000.0, int channels = 2, int rate = 44100,
            int serial = 0x7E57) {
    ToneGen::ToneSpec spec;
    spec.frequency = frequency;
    spec.frames = (uint32_t)(seconds * rate + 0.5);
    spec.channels = channels;
    spec.rate = rate;
    spec.serial = serial;
    AddFile(name, ToneGen::MakeOggTone(spec));
  }
  void AddFile(const std::string& name, std::vector<uint8_t> bytes) {
    ASSERT_FALSE(bytes.empty());
    mFiles.push_back(std::move(bytes));
    RegisterMemoryFile(TStr(name.c_str()), mFiles.back().data(), (uint32_t)mFiles.back().size());
  }
  const std::vector<uint8_t>& LastFile() const { return mFiles.back(); }

  // A manager on the manual device; without the stream thread the test services it.
  TSoundManager* Manager(bool thread = false) {
    manager = std::make_unique<TSoundManager>(thread);
    EXPECT_TRUE(manager->Initialize());
    return manager.get();
  }

  // A sound over a source of its own (no file behind it).
  static std::shared_ptr<TSound> SoundOf(std::shared_ptr<TSoundDataSource> source, int group = 0) {
    auto sound = std::make_shared<TSound>();
    sound->GetData()->SetSource(std::move(source));
    sound->GetData()->SetGroup(group);
    return sound;
  }
  // What the device played since the last call, as bytes (16-bit stereo at 44100 Hz).
  static std::vector<uint8_t> Played() {
    std::vector<int16_t> out = DSoundTest::TakeOutput();
    std::vector<uint8_t> bytes(out.size() * 2);
    std::memcpy(bytes.data(), out.data(), bytes.size());
    return bytes;
  }
  // The DirectSound volume of the stream's buffer.
  static LONG BufferVolume(const std::shared_ptr<TSoundInstance>& instance) {
    LONG volume = 1;
    instance->GetStream()->GetBuffer()->GetVolume(&volume);
    return volume;
  }

  // Plays frames on the manual device, then runs one service pass.
  void Play(uint32_t frames) {
    DSoundTest::AdvanceFrames(frames);
    manager->ServiceStreams();
  }

  std::unique_ptr<TSoundManager> manager;

 private:
  std::list<std::vector<uint8_t>> mFiles;
};
