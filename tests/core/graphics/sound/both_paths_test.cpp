// Both sound paths at once on the one sound device: the framework's sound manager playing an
// asset and the audio engine's output playing its mix. The device's tap must carry both tones.
#include <gtest/gtest.h>

#include <cmath>

#include "audio_engine/direct_sound_system.h"
#include "tests/core/graphics/sound/sound_fixture.h"
#include "tests/support/tone_measure.h"

namespace {

// The engine's side: a 440 Hz sine as 16-bit stereo at 44,100 Hz, its output format.
class SineReader : public Tarn::cIReader {
 public:
  int Open() override { return 0; }
  int Close() override { return 0; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override {
    int16_t* out = (int16_t*)buffer;
    for (uint32_t i = 0; i < count / 4; i++, mFrame++) {
      int16_t s = (int16_t)std::lrint(0.25 * 32767 * std::sin(2 * M_PI * 440.0 * mFrame / 44100));
      out[2 * i] = out[2 * i + 1] = s;
    }
    *read = count / 4 * 4;
    return 0;
  }
  int GetSize(uint32_t* size) override {
    *size = 0xFFFFFFFF;
    return 0;
  }

 private:
  uint64_t mFrame = 0;
};

}  // namespace

TEST_F(SoundTest, FrameworkSoundAndTheAudioEngineSoundTogether) {
  Tone("sfx/tone.ogg", 3.0, 1000.0);  // 0.5 of full scale
  Manager();
  Tarn::cTarnDirectSoundSystem output(nullptr);
  ASSERT_EQ(output.SetupResult(), 0);
  SineReader engineTone;
  Tarn::cTarnDirectSoundPlayer player(&output);
  ASSERT_EQ(player.SetSource(&engineTone, nullptr), 0);
  ASSERT_EQ(player.Play(), 0);
  auto instance = TSound::Get("sfx/tone")->Play(false);
  ASSERT_TRUE(instance);
  // Each 20 ms the engine's tick refills its ring; the framework's stream thread would do
  // its pass every 50 ms, here every tick.
  for (int tick = 0; tick < 50; tick++) {
    DSoundTest::AdvanceFrames(882);
    output.Update();
    manager->ServiceStreams();
  }
  std::vector<int16_t> played = DSoundTest::TakeOutput();
  std::vector<int16_t> late(played.begin() + played.size() / 2, played.end());
  for (int c = 0; c < 2; c++) {
    EXPECT_NEAR(ToneMeasure::Amplitude(late, 2, c, 44100, 1000.0), 0.5 * 32767, 800) << c;
    EXPECT_NEAR(ToneMeasure::Amplitude(late, 2, c, 44100, 440.0), 0.25 * 32767, 400) << c;
    EXPECT_LT(ToneMeasure::Amplitude(late, 2, c, 44100, 700.0), 300) << c;
  }
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 2);
  player.Stop();
}
