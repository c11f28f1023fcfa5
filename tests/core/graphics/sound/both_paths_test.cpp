// Both sound paths at once on the one sound device, as the program runs them: the framework's
// sound manager playing a sound asset, and the audio engine started through its exported
// functions on a pack and playing an event. The device's tap must carry both tones.
#include <gtest/gtest.h>

#include "audio_engine/api/vexa_api.h"
#include "audio_engine/direct_sound_system.h"
#include "audio_engine/vexa_engine.h"
#include "tests/audio_engine/support/project_xml.h"
#include "tests/core/graphics/sound/sound_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/tone_measure.h"

namespace {

// A pack whose event "Hum" loops a 440 Hz tone on a music bus.
std::string BuildPack(const std::string& root) {
  VexaTest::ProjectXml p("Both");
  p.RootAndMaster({"Music"});
  p.Bus("Music");
  p.Patch("Hum", "MixerChannel").Set("OutputBusMixerChannel", "Music").Set("ChildName", "Hum Box");
  p.Patch("Hum Box", "LoopBox").Set("ResourceName", "Hum Tone").Set("ResourceLoopEnabled", "true");
  p.Patch("Hum Tone", "SampleResource").Set("Url", "hum.ogg");
  std::filesystem::create_directories(root + "/stage");
  std::filesystem::create_directories(root + "/vexa");
  VexaTest::WriteText(root + "/stage/Both.xml", p.Text());
  ToneGen::ToneSpec hum;
  hum.frequency = 440.0;
  hum.amplitude = 0.25;
  ToneGen::WriteFile(root + "/stage/hum.ogg", ToneGen::MakeOggTone(hum));
  ToolResult r = RunTool("vexpack", "pack " + root + "/vexa/Both.VEX Both.xml=" + root +
                                        "/stage/Both.xml hum.ogg=" + root + "/stage/hum.ogg");
  EXPECT_EQ(r.status, 0) << r.out;
  return root + "/vexa";
}

}  // namespace

TEST_F(SoundTest, FrameworkSoundAndTheAudioEngineSoundTogether) {
  std::string folder = BuildPack(Root());
  VexaInit(folder.c_str(), nullptr);
  ASSERT_TRUE(Tarn::VexaEngineStarted());
  VexaEvent("Hum");
  Manager();
  Tone("sfx/tone.ogg", 3.0, 1000.0);  // 0.5 of full scale
  auto instance = TSound::Get("sfx/tone")->Play(false);
  ASSERT_TRUE(instance);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 2);
  // Each 20 ms the engine's tick refills its ring; the framework's stream thread would do its
  // pass every 50 ms, here every tick.
  for (int tick = 0; tick < 50; tick++) {
    DSoundTest::AdvanceFrames(882);
    Tarn::VexaEngineOutput()->Update();
    manager->ServiceStreams();
  }
  std::vector<int16_t> played = DSoundTest::TakeOutput();
  std::vector<int16_t> late(played.begin() + played.size() / 2, played.end());
  double engineLevel = ToneMeasure::Amplitude(late, 2, 0, 44100, 440.0);
  for (int c = 0; c < 2; c++) {
    EXPECT_NEAR(ToneMeasure::Amplitude(late, 2, c, 44100, 1000.0), 0.5 * 32767, 800) << c;
    EXPECT_GT(ToneMeasure::Amplitude(late, 2, c, 44100, 440.0), 1000) << c;
    EXPECT_NEAR(ToneMeasure::Amplitude(late, 2, c, 44100, 440.0), engineLevel, engineLevel * 0.05) << c;
    EXPECT_LT(ToneMeasure::Amplitude(late, 2, c, 44100, 700.0), 300) << c;
  }
  VexaShutdown();
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
}
