// Start-up, events and shut-down through the exported functions (compiled into this test):
// retrying a failed start, pause and its case, hexadecimal names, the float form, empty folders.
#include <gtest/gtest.h>

#include <string>

#include "audio_engine/api/vexa_api.h"
#include "audio_engine/callback_timer.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/sound.h"
#include "audio_engine/tarn_sound_system.h"
#include "audio_engine/vexa_engine.h"
#include "tests/audio_engine/support/engine_harness.h"
#include "tests/audio_engine/support/project_xml.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"
#include "tools/tonegen/tone.h"

using namespace Tarn;
using namespace VexaTest;

namespace {

// A pack with a music bus, a tone on it, "Music Volume", and two oddly named events.
std::string BuildPack(TempFolder& dir) {
  ProjectXml p("Small");
  p.RootAndMaster({"Music"});
  p.Bus("Music");
  p.Patch("Hum", "MixerChannel").Set("OutputBusMixerChannel", "Music").Set("ChildName", "Hum Box");
  p.Patch("Hum Box", "LoopBox").Set("ResourceName", "Hum Tone").Set("ResourceLoopEnabled", "true");
  p.Patch("Hum Tone", "SampleResource").Set("Url", "hum.ogg");
  p.MusicVolume("Music");
  p.Patch("pause", "MixerChannel");   // an event, not the pause command
  p.Patch("0x1a2b", "MixerChannel");  // its identifier is 0x1A2B
  WriteText(dir.File("stage/Small.xml"), p.Text());
  ToneGen::ToneSpec hum;
  hum.frequency = 220.0;
  hum.frames = 44100;
  ToneGen::WriteFile(dir.File("stage/hum.ogg"), ToneGen::MakeOggTone(hum));
  ToolResult r = RunTool("vexpack", "pack " + dir.File("data/Small.VEX") + " Small.xml=" + dir.File("stage/Small.xml") +
                                        " hum.ogg=" + dir.File("stage/hum.ogg"));
  EXPECT_EQ(r.status, 0) << r.out;
  return dir.Path() + "/data";
}

class LifecycleTest : public ::testing::Test {
 protected:
  TempFolder dir;
  std::string folder = BuildPack(dir);
  EngineHarness engine;
};

}  // namespace

TEST_F(LifecycleTest, AStartWithoutADeviceCanBeRetried) {
  VexaEvent("Hum");  // before any start: nothing
  EXPECT_FALSE(VexaEngineStarted());
  DSoundTest::FailDeviceCreation(true);
  VexaInit(folder.c_str(), nullptr);
  EXPECT_FALSE(VexaEngineStarted());
  VexaEvent("Hum");
  DSoundTest::FailDeviceCreation(false);
  ASSERT_TRUE(engine.Start(folder));  // the output without a device is made again
  VexaEvent("Hum");
  auto out = engine.Render(8820);
  EXPECT_GT(Rms(out, 882, 8820, 0), 1000.0);
}

TEST_F(LifecycleTest, ASecondStartChangesNothing) {
  ASSERT_TRUE(engine.Start(folder));
  cTarnDirectSoundSystem* output = VexaEngineOutput();
  size_t projects = cTarnSoundSystem::Get()->ProjectCount();
  VexaInit(folder.c_str(), nullptr);
  EXPECT_EQ(VexaEngineOutput(), output);
  EXPECT_EQ(cTarnSoundSystem::Get()->ProjectCount(), projects);
  EXPECT_EQ(projects, 1u);
}

TEST_F(LifecycleTest, PauseByExactNameAndEventsByHexadecimalIdentifier) {
  ASSERT_TRUE(engine.Start(folder));
  VexaEvent("Hum");
  engine.Render(882);
  VexaEvent("pause");  // lower case: the event of that name
  ASSERT_NE(CachedNode("pause"), nullptr);
  EXPECT_EQ(CachedNode("pause")->StartTime(), (int64_t)TarnMix::GlobalMixTime());
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
  VexaEvent("Pause");
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  uint64_t paused = TarnMix::GlobalMixTime();
  engine.Render(4410);
  EXPECT_EQ(TarnMix::GlobalMixTime(), paused);  // engine time stands still
  VexaEvent("Unpause");
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
  auto resumed = engine.Render(882);
  EXPECT_EQ(resumed.size(), 2u * 882);
  VexaEvent("0x00001A2B");
  ASSERT_NE(CachedNode("0x1a2b"), nullptr);
  EXPECT_EQ(CachedNode("0x1a2b")->StartTime(), (int64_t)TarnMix::GlobalMixTime());
}

TEST_F(LifecycleTest, TheFloatFormIsTheDoubleForm) {
  ASSERT_TRUE(engine.Start(folder));
  auto* bus = CachedNode<cBus>("Music Bus");
  ASSERT_NE(bus, nullptr);
  VexaEvent_F("Music Volume", 0.5f);
  engine.Render(882);
  float viaFloat = bus->Mixer()->StaticValue(Ids::kVolume, -1.0f);
  VexaEvent("Music Volume", 1.0);
  engine.Render(882);
  VexaEvent("Music Volume", 0.5);
  engine.Render(882);
  EXPECT_FLOAT_EQ(bus->Mixer()->StaticValue(Ids::kVolume, -1.0f), viaFloat);
  EXPECT_FLOAT_EQ(viaFloat, 0.25f);
}

TEST_F(LifecycleTest, AFolderWithoutPacksAndShutdownTwice) {
  TempFolder empty;
  ASSERT_TRUE(engine.Start(empty.Path()));
  EXPECT_EQ(cTarnSoundSystem::Get()->ProjectCount(), 0u);
  VexaEvent("Hum");
  auto out = engine.Render(882);
  EXPECT_LT(Rms(out, 0, 882, 0), 1.0);
  VexaShutdown();
  EXPECT_FALSE(VexaEngineStarted());
  EXPECT_EQ(cTarnSoundSystem::Get(), nullptr);
  VexaShutdown();
}

TEST(LifecycleRace, EventsWhileTheTimerThreadMixes) {
  // The real clock and device: the timer thread ticks every 20 ms on its own while this
  // thread sends events, pauses and resumes; the engine lock keeps them apart.
  TempFolder dir;
  std::string folder = BuildPack(dir);
  TestControl::UseRealClock();
  DSoundTest::UseManualDevice(false);
  VexaInit(folder.c_str(), nullptr);
  ASSERT_TRUE(VexaEngineStarted());
  cCallbackTimer* timer = VexaEngineOutput()->Timer();
  ASSERT_NE(timer, nullptr);
  const char* events[] = {"Hum", "Music Volume", "Pause", "Unpause", "pause", "Hum"};
  uint32_t start = timer->Ticks();
  for (int i = 0; i < 2000000 && timer->Ticks() < start + 5; i++) {
    const char* name = events[i % 6];
    if (name[0] == 'M')
      VexaEvent(name, (i % 10) / 10.0);
    else
      VexaEvent(name);
  }
  EXPECT_GE(timer->Ticks(), start + 5);
  VexaEvent("Unpause");
  VexaShutdown();
  EXPECT_FALSE(VexaEngineStarted());
}
