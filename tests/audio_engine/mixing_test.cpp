// The mixing layer on synthetic sources: exact start and stop frames, pan and volume, mute,
// idle reads and saturation.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/mix/float_ops.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/mix/wave_source_reader.h"

using namespace TarnMix;

namespace {

// A constant stereo source (16-bit scale) that never ends.
class ConstSource : public cIWaveSource {
 public:
  explicit ConstSource(float value) : mValue(value) {}
  int Reset() override { return 0; }
  int GetState(uint32_t* s) override {
    *s = kStateProducing;
    return 0;
  }
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) override {
    float* out = (float*)buffer;
    for (uint32_t i = 0; i < bytes / 4; i++) out[i] += mValue * gain;
    *rendered = bytes;
    return 0;
  }
  int GetLevel(float*, uint32_t) override { return 3; }
  int Advance(uint32_t) override { return 0; }

 private:
  float mValue;
};

class MixFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobalMixTime(1000);
    root = std::make_unique<cBusMixer>(cTarnSoundSystem::RootFormat(), true);
    root->Play(-1);
    reader = std::make_unique<cWaveSourceReader>(root.get(), OutputFormat());
  }
  // Reads frames of 16-bit stereo output.
  std::vector<int16_t> Read(uint32_t frames) {
    std::vector<int16_t> out(frames * 2);
    uint32_t got = 0;
    reader->Read(out.data(), frames * 4, &got);
    EXPECT_EQ(got, frames * 4);
    return out;
  }
  std::unique_ptr<cBusMixer> Bus(float value, std::unique_ptr<ConstSource>& src) {
    auto bus = std::make_unique<cBusMixer>(cTarnSoundSystem::RootFormat());
    src = std::make_unique<ConstSource>(value);
    bus->AddSource(src.get());
    bus->SetParent(root.get());
    return bus;
  }
  std::unique_ptr<cBusMixer> root;
  std::unique_ptr<cWaveSourceReader> reader;
};

}  // namespace

TEST_F(MixFixture, StartsAndStopsLandOnTheExactFrame) {
  std::unique_ptr<ConstSource> src;
  auto bus = Bus(1000.0f, src);
  bus->Play(1000 + 300);  // inside the first block of 882 frames
  bus->Stop(1000 + 882 + 100);
  auto out = Read(882);
  EXPECT_EQ(out[2 * 299], 0);
  EXPECT_EQ(out[2 * 300], 1000);
  EXPECT_EQ(out[2 * 881 + 1], 1000);
  out = Read(882);
  EXPECT_EQ(out[2 * 99], 1000);  // the last frame before the stop
  EXPECT_EQ(out[2 * 100], 0);
  EXPECT_FALSE(bus->Playing());
  EXPECT_EQ(GlobalMixTime(), 1000u + 2 * 882);
  // Started now: from the next block's first frame.
  bus->Play(-1);
  out = Read(10);
  EXPECT_EQ(out[0], 1000);
}

TEST_F(MixFixture, PanAndVolumeGiveTheExpectedChannelLevels) {
  struct Case {
    float pan, volume;
    int left, right;
  } cases[] = {{0.5f, 1.0f, 1000, 1000}, {1.0f, 1.0f, 0, 1000}, {0.0f, 1.0f, 1000, 0},
               {0.75f, 1.0f, 500, 1000}, {0.5f, 0.5f, 500, 500}, {0.25f, 0.5f, 500, 250}};
  for (const auto& c : cases) {
    std::unique_ptr<ConstSource> src;
    auto bus = Bus(1000.0f, src);
    bus->SetPan(c.pan);
    bus->SetVolume(c.volume);
    bus->Play(-1);
    auto out = Read(64);
    // Energies of both channels over the block.
    double el = 0, er = 0;
    for (int i = 0; i < 64; i++) {
      el += (double)out[2 * i] * out[2 * i];
      er += (double)out[2 * i + 1] * out[2 * i + 1];
    }
    EXPECT_NEAR(std::sqrt(el / 64), c.left, 1.0) << c.pan << " " << c.volume;
    EXPECT_NEAR(std::sqrt(er / 64), c.right, 1.0) << c.pan << " " << c.volume;
    bus->Kill();
    bus.reset();
  }
}

TEST_F(MixFixture, MuteKeepsABusOutOfTheMixWhileItsMetersMove) {
  std::unique_ptr<ConstSource> a, b;
  auto loud = Bus(3000.0f, a);
  auto quiet = Bus(100.0f, b);
  loud->SetMute(true);
  loud->Play(-1);
  quiet->Play(-1);
  auto out = Read(32);
  EXPECT_EQ(out[0], 100);
  EXPECT_FLOAT_EQ(loud->Peak(0), 3000.0f);
  loud->SetMute(false);
  out = Read(32);
  EXPECT_EQ(out[0], 3100);
}

TEST_F(MixFixture, IdleReadsAdvanceTheMixTime) {
  root->Kill();
  auto out = Read(441);
  EXPECT_EQ(GlobalMixTime(), 1000u + 441);
  for (int16_t s : out) EXPECT_EQ(s, 0);
}

TEST_F(MixFixture, LoudMixesSaturate) {
  std::unique_ptr<ConstSource> a, b;
  auto one = Bus(30000.0f, a);
  auto two = Bus(30000.0f, b);
  one->Play(-1);
  two->Play(-1);
  auto out = Read(16);
  EXPECT_EQ(out[0], 32767);
  std::unique_ptr<ConstSource> c, d;
  one->Kill();
  two->Kill();
  auto three = Bus(-30000.0f, c);
  auto four = Bus(-30000.0f, d);
  three->Play(-1);
  four->Play(-1);
  out = Read(16);
  EXPECT_EQ(out[1], -32768);
  // Truncation toward zero below the limits.
  float samples[] = {1.9f, -1.9f, 32766.7f, NAN};
  int16_t conv[4];
  FloatTo16(conv, samples, 4);
  EXPECT_EQ(conv[0], 1);
  EXPECT_EQ(conv[1], -1);
  EXPECT_EQ(conv[2], 32766);
  EXPECT_EQ(conv[3], 0);
}

TEST_F(MixFixture, SendsDeliverTheLastMixToTheTarget) {
  std::unique_ptr<ConstSource> a, b;
  auto ret = Bus(0.0f, b);
  auto sender = std::make_unique<cBusMixer>(cTarnSoundSystem::RootFormat());
  a = std::make_unique<ConstSource>(400.0f);
  sender->AddSource(a.get());
  sender->SetParent(ret.get());
  sender->SetMute(true);  // only the send reaches the output
  sender->SetSendTarget(0, ret.get());
  sender->SetSendLevel(0, 0.5f);
  ret->Play(-1);
  sender->Play(-1);
  Read(32);  // the sender's first mix happens inside the return's block
  auto out = Read(32);
  EXPECT_EQ(out[0], 200);
  sender->SetSendLevel(0, 0.0f);
  out = Read(32);
  EXPECT_EQ(out[0], 0);
}

TEST_F(MixFixture, ADeepBusTreeResetsEachNodeOncePerBlock) {
  // A leaf under eight bus levels: every level used to reset its children twice.
  struct CountingSource : ConstSource {
    CountingSource() : ConstSource(500.0f) {}
    int Reset() override {
      resets++;
      return 0;
    }
    int GetState(uint32_t* s) override {
      queries++;
      return ConstSource::GetState(s);
    }
    int resets = 0, queries = 0;
  } leaf;
  std::vector<std::unique_ptr<cBusMixer>> levels;
  cWaveMixer* parent = root.get();
  for (int i = 0; i < 8; i++) {
    levels.push_back(std::make_unique<cBusMixer>(cTarnSoundSystem::RootFormat()));
    levels.back()->SetParent(parent);
    levels.back()->Play(-1);
    parent = levels.back().get();
  }
  levels.back()->AddSource(&leaf);
  for (int block = 1; block <= 3; block++) {
    auto out = Read(100);
    EXPECT_EQ(out[0], 500);
    EXPECT_EQ(leaf.resets, block);
    EXPECT_EQ(leaf.queries, block);
  }
  levels.back()->RemoveSource(&leaf);
}
