// The engine end to end on our own project: a ".VEX" pack built with vexpack from generated
// tones and a project of buses, effect events, music and parameters, played on the manual
// output device. Each case measures what was mixed and leaves a WAV file of it in the build
// tree (audio_engine_wav/) for people to listen to.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio_engine/critical_section.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/nodes/arrangement.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/nodes/envelope.h"
#include "audio_engine/sound.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/tarn_sound_system.h"
#include "platform/test_control.h"
#include "tests/audio_engine/support/engine_harness.h"
#include "tests/audio_engine/support/project_xml.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"
#include "tools/tonegen/tone.h"

using namespace Tarn;
using namespace VexaTest;

namespace {

constexpr int64_t kBar = 88200;  // one bar of 4/4 at 120 BPM
constexpr int64_t kQuarter = kBar / 4;
constexpr double kFull = 0.5 * 32767;  // the amplitude of the fixture's 0.5 tones

struct Tone {
  const char* file;
  double frequency;
  double seconds;
  double phase;  // pi/2: starts at full level, so its first frame is its onset
  int channels;
};

// Every sound of the project. Music tones last exactly a bar (whole cycles, so loops join),
// except those of the slots track, which do not fit their slots.
const Tone kTones[] = {
    {"beep.ogg", 1000.0, 0.5, 0.0, 2},   {"long.ogg", 1000.0, 2.0, 0.0, 2},
    {"theme_a.ogg", 440.0, 2.0, 0.0, 2}, {"theme_b.ogg", 3000.0, 2.0, M_PI / 2, 2},
    {"stinger.ogg", 5000.0, 1.0, M_PI / 2, 2}, {"layer.ogg", 1320.0, 2.0, 0.0, 2},
    {"high.ogg", 1200.0, 0.2, 0.0, 1},   {"low.ogg", 300.0, 0.2, 0.0, 1},
    {"click.ogg", 2000.0, 0.05, M_PI / 2, 2},
    // The slots track: a looping sample, one sound longer and one shorter than its slot.
    {"slot_loop.ogg", 800.0, 0.1, 0.0, 2},     {"slot_long.ogg", 1600.0, 1.0, M_PI / 2, 2},
    {"slot_short.ogg", 2400.0, 0.125, M_PI / 2, 2},
};

std::string ProjectText(const std::string& plugin) {
  ProjectXml p("Game");
  // Buses and their channels; every channel hangs under the root control mixer.
  p.RootAndMaster({"Sfx", "Music", "Muted", "Echo"});
  p.Bus("Sfx").Set("Volume", 0.5);
  p.Bus("Music").Set("Volume", 1.0);
  p.Bus("Muted").Set("Mute", 0.0);
  p.Patch("Echo", "MixerChannel").Set("ChildName", "Echo Bus").Set("SendLevel0", 0.5);
  p.Patch("Echo Bus", "Bus").Set("OutputBusMixerChannel", "Master Bus").List("SoundList", {"Echo Return"});
  p.Patch("Echo Return", "MixerChannel").Set("ChildName", "Echo Return Bus");
  p.Patch("Echo Return Bus", "Bus").Set("EffectsReturnNumber", 0).List("InsertEffects", {"Gain Effect"});
  p.Patch("Gain Effect", "VstEffectPlugin").Set("Url", plugin).Set("Index", 0).Points("VstParameterList", {{2, 0.5}});
  // Resources.
  const char* resources[][2] = {{"Beep", "beep.ogg"}, {"Long Tone", "long.ogg"}, {"Tone A", "theme_a.ogg"},
                                {"Tone B", "theme_b.ogg"}, {"Stinger Tone", "stinger.ogg"}, {"Layer Tone", "layer.ogg"},
                                {"High Tone", "high.ogg"}, {"Low Tone", "low.ogg"}, {"Click Tone", "click.ogg"},
                                {"Loose Tone", "loose.ogg"}, {"Bad Tone", "bad.ogg"},
                                {"Slot Loop Tone", "slot_loop.ogg"}, {"Slot Long Tone", "slot_long.ogg"},
                                {"Slot Short Tone", "slot_short.ogg"}};
  for (auto& r : resources) p.Patch(r[0], "SampleResource").Set("Url", r[1]);
  // Effect events.
  auto box = [&](const char* name, const char* resource) { p.Patch(name, "LoopBox").Set("ResourceName", resource); };
  p.Patch("Beep Sfx", "MixerChannel").Set("OutputBusMixerChannel", "Sfx").Set("ChildName", "Beep Box");
  box("Beep Box", "Beep");
  p.Patch("Beep Master", "MixerChannel").Set("OutputBusMixerChannel", "Master Bus").Set("ChildName", "Beep Box 2");
  box("Beep Box 2", "Beep");
  p.Patch("Muted Beep", "MixerChannel").Set("OutputBusMixerChannel", "Muted").Set("ChildName", "Muted Box");
  box("Muted Box", "Beep");
  p.Patch("Echo Beep", "MixerChannel").Set("OutputBusMixerChannel", "Echo").Set("ChildName", "Echo Box");
  box("Echo Box", "Beep");
  p.Patch("Pan Right", "Randomizer").Set("Enabled", "true").Set("PanVaryMin", 1.0).Set("PanVaryMax", 1.0);
  p.Set("ChildName", "Pan Box").Set("OutputBusMixerChannel", "Master Bus");
  box("Pan Box", "Beep");
  p.Patch("Swell", "Envelope").Set("Enabled", "true").Set("Attack", 500.0).Set("Release", 300.0);
  p.Set("ChildName", "Swell Box").Set("OutputBusMixerChannel", "Master Bus");
  box("Swell Box", "Long Tone");
  p.Patch("Pick", "RandomSelector").Set("Enabled", "true").Set("ChildName", "Pick Mixer");
  p.Set("OutputBusMixerChannel", "Master Bus");
  p.Patch("Pick Mixer", "Mixer").List("SoundList", {"Pick High", "Pick Low"});
  box("Pick High", "High Tone");
  box("Pick Low", "Low Tone");
  p.Patch("Repeat", "Repeater").Set("Enabled", "true").Set("RepeatsMin", 3).Set("RepeatsMax", 3);
  p.Set("IntervalMin", 300).Set("IntervalMax", 300).Set("ChildName", "Click Box").Set("OutputBusMixerChannel", "Master Bus");
  box("Click Box", "Click Tone");
  p.Patch("Loose", "MixerChannel").Set("OutputBusMixerChannel", "Master Bus").Set("ChildName", "Loose Box");
  box("Loose Box", "Loose Tone");
  p.Patch("Bad", "MixerChannel").Set("OutputBusMixerChannel", "Master Bus").Set("ChildName", "Bad Box");
  box("Bad Box", "Bad Tone");
  p.Patch("Ramp", "MixerChannel").Set("OutputBusMixerChannel", "Master Bus").Set("ChildName", "Ramp Box");
  p.Patch("Ramp Box", "LoopBox").Set("ResourceName", "Long Tone").List("Automation", {"Ramp Curve"});
  p.Patch("Ramp Curve", "AutomationClip").Set("AutomationTarget", "Mixer").Set("AutomationController", "Volume");
  p.Points("AutomationPoints", {{0, 0.0}, {44100, 1.0}});
  // Music: arrangements of one bar on the Music bus, played through clips.
  auto arrangement = [&](const std::string& name, const std::string& resource, int end) {
    p.Patch(name, "Arrangement").Set("Tempo", 120.0).Set("BeatsPerBar", 4).List("SoundList", {name + " Track"});
    p.Patch(name + " Track", "TrackPlayer").List("SoundList", {name + " Bar"}).Set("OutputBusMixerChannel", "Music");
    p.Patch(name + " Bar", "LoopBox").Set("ResourceName", resource).Set("TimeLineStartPosition", 0);
    p.Set("TimeLineEndPosition", end);
  };
  arrangement("Theme A", "Tone A", (int)kBar);
  arrangement("Theme B", "Tone B", (int)kBar);
  arrangement("Stinger Part", "Stinger Tone", 44100);
  arrangement("Layer Part", "Layer Tone", (int)kBar);
  p.Patch("Theme A Clip", "ArrangementClip").Set("ResourceName", "Theme A").Set("ResourceEndPosition", (int)kBar);
  p.Set("TimeLineLoopEnabled", "true").Set("MasterModeFadeTime", 1000);
  p.Patch("Theme B Clip", "ArrangementClip").Set("ResourceName", "Theme B").Set("ResourceEndPosition", (int)kBar);
  p.Set("TimeLineLoopEnabled", "true").Set("MasterModeFadeTime", 1000);
  // The stinger's clip is half a bar: shorter than its sound, so the clip's end cuts it.
  p.Patch("Stinger", "ArrangementClip").Set("ResourceName", "Stinger Part").Set("ResourceEndPosition", 22050);
  p.Set("SourceModeSyncSourceMode", "Follow");
  p.Patch("Layer", "ArrangementClip").Set("ResourceName", "Layer Part").Set("ResourceEndPosition", (int)kBar);
  p.Set("TimeLineLoopEnabled", "true").Set("SourceModeSyncSourceMode", "Unison");
  // A looping bar of quarter-bar slots that its sounds do not fit: a looping sample in the
  // first, nothing in the second, a second-long sound in the third, an eighth of a second in
  // the fourth.
  p.Patch("Slots", "Arrangement").Set("Tempo", 120.0).Set("BeatsPerBar", 4).List("SoundList", {"Slots Track"});
  p.Patch("Slots Track", "TrackPlayer").List("SoundList", {"Slot Loop", "Slot Long", "Slot Short"});
  p.Set("OutputBusMixerChannel", "Music");
  const struct {
    const char* name;
    const char* resource;
    int slot;
  } slots[] = {{"Slot Loop", "Slot Loop Tone", 0}, {"Slot Long", "Slot Long Tone", 2}, {"Slot Short", "Slot Short Tone", 3}};
  for (const auto& slot : slots) {
    p.Patch(slot.name, "LoopBox").Set("ResourceName", slot.resource).Set("TimeLineStartPosition", (int)(slot.slot * kQuarter));
    p.Set("TimeLineEndPosition", (int)((slot.slot + 1) * kQuarter));
    if (slot.slot == 0) p.Set("ResourceLoopEnabled", "true");
  }
  // A clip of a loop box (no arrangement between) with a fade-in of a second.
  p.Patch("Pad Box", "LoopBox").Set("ResourceName", "Long Tone").Set("OutputBusMixerChannel", "Music");
  p.Patch("Pad Clip", "ArrangementClip").Set("ResourceName", "Pad Box").Set("ResourceEndPosition", (int)kBar);
  p.Set("TimeLineLoopEnabled", "true").Set("SourceModeFadeTime", 1000);
  p.Patch("Slots Clip", "ArrangementClip").Set("ResourceName", "Slots").Set("ResourceEndPosition", (int)kBar);
  p.Set("TimeLineLoopEnabled", "true");
  // Parameters.
  p.MusicVolume("Music");
  p.Patch("Two Values", "Arrangement").List("ParameterList", {"Alpha", "Beta"});
  p.Patch("Alpha", "Parameter").Set("Index", 1);  // listed first by name, second by index
  p.Patch("Beta", "Parameter").Set("Index", 0);
  return p.Text();
}

// The data folder: the pack (built with vexpack) and one loose file beside it.
class FixtureFolder {
 public:
  FixtureFolder() {
    TempFolder& d = dir;
    std::string args = "pack " + d.File("data/Game.VEX");
    for (const Tone& t : kTones) {
      ToneGen::ToneSpec spec;
      spec.frequency = t.frequency;
      spec.frames = (uint32_t)(t.seconds * 44100);
      spec.phase = t.phase;
      spec.channels = t.channels;
      spec.amplitude = 0.5;
      ToneGen::WriteFile(d.File(std::string("stage/") + t.file), ToneGen::MakeOggTone(spec));
      args += std::string(" ") + t.file + "=" + d.File(std::string("stage/") + t.file);
    }
    WriteText(d.File("stage/bad.ogg"), "this is not an Ogg Vorbis stream, only some text in its place");
    args += " bad.ogg=" + d.File("stage/bad.ogg");
    WriteText(d.File("stage/Game.xml"), ProjectText(ToolPath("libvst_gain_plugin.so")));
    args += " Game.xml=" + d.File("stage/Game.xml");
    result = RunTool("vexpack", args);
    ToneGen::ToneSpec loose;
    loose.frequency = 500.0;
    loose.frames = 22050;
    ToneGen::WriteFile(d.File("data/loose.ogg"), ToneGen::MakeOggTone(loose));
    folder = d.Path() + "/data";
  }
  TempFolder dir;
  std::string folder;
  ToolResult result;
};

class FixtureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(files.result.status, 0) << files.result.out;
    ASSERT_TRUE(engine.Start(files.folder));
  }
  void Event(const char* name) { VexaEngineEvent(name, nullptr, 0); }
  void Event(const char* name, double value) { VexaEngineEvent(name, &value, 1); }
  // Frames since the start of the mix, as an index into the stream.
  size_t Now() const { return (size_t)engine.Elapsed(); }
  void Save(const char* name) { EXPECT_TRUE(WriteWav(WavPath(name), engine.Stream())); }

  FixtureFolder files;
  EngineHarness engine;
};

}  // namespace

TEST_F(FixtureTest, SfxBeepIsHalfTheMasterBeep) {
  Event("Beep Master");
  auto master = engine.Render(22050 + 4410);
  Event("Beep Sfx");
  auto sfx = engine.Render(22050 + 4410);
  double m = Rms(master, 4410, 17640, 0), s = Rms(sfx, 4410, 17640, 0);
  EXPECT_NEAR(m, kFull / std::sqrt(2.0), kFull * 0.03);
  EXPECT_NEAR(Db(s / m), -6.02, 0.1);
  EXPECT_LT(Rms(sfx, 23000, 26000, 0), 50.0);  // ended with its file
  Save("sfx_beep_against_master");
}

TEST_F(FixtureTest, MusicVolumeHalfIsTwelveDecibelsDown) {
  Event("Theme A Clip");
  auto before = engine.Render(44100);
  Event("Music Volume", 0.5);
  auto after = engine.Render(44100);
  double a = ToneLevel(before, 4410, 44100, 0, 440.0), b = ToneLevel(after, 4410, 44100, 0, 440.0);
  EXPECT_NEAR(a, kFull, kFull * 0.03);
  EXPECT_NEAR(Db(b / a), -12.04, 0.1);
  Event("Music Volume", 1.0);
  auto back = engine.Render(22050);
  EXPECT_NEAR(Db(ToneLevel(back, 4410, 22050, 0, 440.0) / a), 0.0, 0.1);
  Save("music_volume_half");
}

TEST_F(FixtureTest, ChannelBalanceMutedBusAndTheEchoReturn) {
  Event("Pan Right");
  auto pan = engine.Render(22050);
  EXPECT_LT(Rms(pan, 2205, 19845, 0), 30.0);
  EXPECT_NEAR(Rms(pan, 2205, 19845, 1), kFull / std::sqrt(2.0), kFull * 0.03);
  engine.Render(4410);
  // A muted bus stays out of the mix while its meter moves.
  Event("Muted Beep");
  auto muted = engine.Render(11025);
  EXPECT_LT(Rms(muted, 0, 11025, 0), 1.0);
  auto* mutedBus = CachedNode<cBus>("Muted Bus");
  ASSERT_NE(mutedBus, nullptr);
  EXPECT_GT(mutedBus->Mixer()->Peak(0), kFull * 0.9);
  engine.Render(22050);
  // The echo bus sends half its dry mix to a return whose gain plug-in halves it again: the
  // return adds a quarter (in phase: a block is 20 whole cycles of the beep), never its own
  // output fed round again (which would give a third).
  Event("Beep Master");
  auto dry = engine.Render(26460);
  Event("Echo Beep");
  auto echo = engine.Render(26460);
  EXPECT_NEAR(Rms(echo, 4410, 17640, 0) / Rms(dry, 4410, 17640, 0), 1.25, 0.02);
  Save("pan_mute_echo");
}

TEST_F(FixtureTest, MusicStartsOnTheBarFadesOutAndLoopsWithoutGaps) {
  Event("Theme A Clip");
  engine.Render(30870);  // into the first bar
  Event("Theme B Clip");  // the default mode: on the next bar, stopping A with its fade
  engine.Render((uint32_t)(4 * kBar - 30870));
  const auto& s = engine.Stream();
  // B's first frame is the bar's first frame: nothing of it before, its full level on it
  // (B starts as a cosine, so its onset is a step that A's slow sine cannot make).
  EXPECT_EQ(StepOnset(s, 5000), (size_t)kBar);
  EXPECT_LT(ToneLevel(s, kBar - 8820, kBar, 0, 3000.0), kFull * 0.01);
  EXPECT_NEAR(ToneLevel(s, kBar, kBar + 8820, 0, 3000.0), kFull, kFull * 0.05);
  // A fades out over a second from the bar (the level is squared) and ends in silence.
  EXPECT_NEAR(ToneLevel(s, 0, kBar, 0, 440.0), kFull, kFull * 0.03);
  EXPECT_NEAR(ToneLevel(s, kBar + 22050 - 441, kBar + 22050 + 441, 0, 440.0), kFull * 0.25, kFull * 0.04);
  EXPECT_LT(ToneLevel(s, kBar + 44100 + 882, 2 * kBar, 0, 440.0), kFull * 0.002);
  // B loops bar after bar with no gap: every 10 ms window holds its full level.
  for (int64_t at = kBar + 441; at + 441 <= 4 * kBar; at += 441)
    ASSERT_NEAR(ToneLevel(s, at, at + 441, 0, 3000.0), kFull, kFull * 0.1) << at;
  Save("theme_a_then_b_on_the_bar");
}

// Each pass of a looping track stops its sounds at their own slot ends: the looping sample after
// its quarter bar, the long sound where its slot ends, the short one where the sound does; the
// gaps between are silent, bar after bar, and no pass overlaps the next.
TEST_F(FixtureTest, LoopingTrackStopsEachPassAtItsSlotEnd) {
  Event("Slots Clip");
  engine.Render((uint32_t)(4 * kBar));
  const auto& s = engine.Stream();
  const int64_t shortLength = 5512;  // the 0.125 s sound
  for (int64_t bar = 0; bar < 4; bar++) {
    const int64_t o = bar * kBar;
    SCOPED_TRACE("bar " + std::to_string(bar));
    EXPECT_NEAR(ToneLevel(s, o + 441, o + kQuarter - 441, 0, 800.0), kFull, kFull * 0.05);
    EXPECT_NEAR(ToneLevel(s, o + 2 * kQuarter + 441, o + 3 * kQuarter - 441, 0, 1600.0), kFull, kFull * 0.05);
    EXPECT_NEAR(ToneLevel(s, o + 3 * kQuarter + 441, o + 3 * kQuarter + shortLength - 441, 0, 2400.0), kFull,
                kFull * 0.05);
    // The silent gaps: after the looping sample up to the long sound's slot (which starts on
    // its frame), and after the short sound up to the next bar.
    EXPECT_LT(Rms(s, o + kQuarter, o + 2 * kQuarter, 0), 1.0);
    EXPECT_EQ(Onset(s, (size_t)(o + kQuarter), 0, 100), (size_t)(o + 2 * kQuarter));
    EXPECT_LT(Rms(s, o + 3 * kQuarter + shortLength, o + kBar, 0), 1.0);
    // The long sound ends at its slot's end, where the short one begins.
    EXPECT_LT(ToneLevel(s, o + 3 * kQuarter + 441, o + kBar, 0, 1600.0), kFull * 0.01);
  }
  Save("slots_track_looping");
}

// A clip whose resource is a loop box fades in like one of an arrangement: over a second from
// its start, the level squared.
TEST_F(FixtureTest, ALoopBoxClipFadesIn) {
  Event("Pad Clip");
  auto pad = engine.Render(66150);
  EXPECT_LT(ToneLevel(pad, 0, 882, 0, 1000.0), kFull * 0.05);
  EXPECT_NEAR(ToneLevel(pad, 22050 - 441, 22050 + 441, 0, 1000.0), kFull * 0.25, kFull * 0.06);
  EXPECT_NEAR(ToneLevel(pad, 46305, 66150, 0, 1000.0), kFull, kFull * 0.03);
  Save("loop_box_clip_fade_in");
}

TEST_F(FixtureTest, StingerFollowsForItsLengthAndALayerJoinsInUnison) {
  Event("Theme A Clip");
  engine.Render(44100);
  Event("Stinger");  // Follow: on the next bar, A goes on
  engine.Render((uint32_t)(kBar + 20000 - 44100));
  Event("Layer");  // Unison: on the bar after, A goes on
  engine.Render((uint32_t)(kBar + 10000 - 20000));
  Event("Theme B Clip");  // stops A and the layer on the bar after that
  engine.Render((uint32_t)(kBar + 30000 - 10000));
  const auto& s = engine.Stream();
  EXPECT_EQ(StepOnset(s, 5000), (size_t)kBar);
  // The stinger plays its clip's half bar, although its sound is a whole second.
  EXPECT_NEAR(ToneLevel(s, kBar + 441, kBar + 22050 - 441, 0, 5000.0), kFull, kFull * 0.05);
  EXPECT_LT(ToneLevel(s, kBar + 22050 + 441, kBar + 44100, 0, 5000.0), kFull * 0.01);
  EXPECT_NEAR(ToneLevel(s, kBar, 2 * kBar, 0, 440.0), kFull, kFull * 0.03);  // A went on
  // The layer from the second bar to the third, where the next default start stops it.
  EXPECT_LT(ToneLevel(s, 2 * kBar - 8820, 2 * kBar, 0, 1320.0), kFull * 0.01);
  EXPECT_NEAR(ToneLevel(s, 2 * kBar + 882, 3 * kBar, 0, 1320.0), kFull, kFull * 0.05);
  EXPECT_LT(ToneLevel(s, 3 * kBar + 882, 3 * kBar + 8820, 0, 1320.0), kFull * 0.01);
  EXPECT_NEAR(ToneLevel(s, 3 * kBar + 882, 3 * kBar + 8820, 0, 3000.0), kFull, kFull * 0.05);
  // The finished stinger left the sync lists.
  {
    cAutoCriticalSection lock(EngineLock());
    for (const auto& e : cTarnSoundSystem::Get()->Sync()->Stopping()) EXPECT_NE(e.name.Text().str(), "Stinger");
  }
  Save("stinger_and_layer");
}

TEST_F(FixtureTest, EnvelopeSelectorRepeaterAndAutomationRamp) {
  // Envelope: a 500 ms attack (the level squared), then a 300 ms release to silence.
  Event("Swell");
  auto swell = engine.Render(44100);
  EXPECT_LT(ToneLevel(swell, 0, 882, 0, 1000.0), kFull * 0.05);
  EXPECT_NEAR(ToneLevel(swell, 11025 - 441, 11025 + 441, 0, 1000.0), kFull * 0.25, kFull * 0.06);
  EXPECT_NEAR(ToneLevel(swell, 26460, 44100, 0, 1000.0), kFull, kFull * 0.03);
  {
    cAutoCriticalSection lock(EngineLock());
    CachedNode<cEnvelope>("Swell")->Stop(-1);
  }
  auto release = engine.Render(22050);
  EXPECT_LT(ToneLevel(release, 13230 + 882, 22050, 0, 1000.0), kFull * 0.002);
  // Random selector over two children: never the same one twice in a row.
  double last = 0.0;
  for (int i = 0; i < 6; i++) {
    Event("Pick");
    auto pick = engine.Render(11025);
    double high = ToneLevel(pick, 882, 7938, 0, 1200.0), low = ToneLevel(pick, 882, 7938, 0, 300.0);
    double picked = high > low ? 1200.0 : 300.0;
    EXPECT_GT(std::max(high, low), kFull * 0.8);
    EXPECT_NE(picked, last) << i;
    last = picked;
  }
  // Repeater: three clicks 300 ms apart on the system clock, then it stops itself.
  Event("Repeat");
  std::vector<int16_t> clicks;
  for (int tick = 0; tick < 60; tick++) {
    TestControl::AdvanceClock(20);
    auto part = engine.Render(882);
    clicks.insert(clicks.end(), part.begin(), part.end());
  }
  int onsets = 0;
  for (size_t at = Onset(clicks, 0, 0, 3000); at != SIZE_MAX; at = Onset(clicks, at + 4410, 0, 3000)) onsets++;
  EXPECT_EQ(onsets, 3);
  EXPECT_FALSE(CachedNode<cSound>("Repeat")->IsActive());
  // Automation ramp on a loop box: (t / 1 s) squared.
  Event("Ramp");
  auto ramp = engine.Render(44100);
  EXPECT_NEAR(ToneLevel(ramp, 22050 - 441, 22050 + 441, 0, 1000.0), kFull * 0.25, kFull * 0.03);
  EXPECT_NEAR(ToneLevel(ramp, 39690 - 441, 39690 + 441, 0, 1000.0), kFull * 0.81, kFull * 0.04);
  Save("envelope_selector_repeater_ramp");
}

TEST_F(FixtureTest, LooseFilesFallBackAndABadFileStaysSilent) {
  Event("Loose");  // not in the pack: read from the data folder
  auto loose = engine.Render(22050);
  EXPECT_NEAR(ToneLevel(loose, 2205, 19845, 0, 500.0), kFull, kFull * 0.05);
  engine.messages.clear();
  Event("Bad");
  auto bad = engine.Render(8820);
  EXPECT_LT(Rms(bad, 0, 8820, 0), 1.0);
  bool reported = false;
  for (const auto& m : engine.messages) reported |= m.find("Not a Vorbis File") != std::string::npos;
  EXPECT_TRUE(reported);
  Save("loose_and_bad");
}

TEST_F(FixtureTest, EventValuesGoInTheOrderOfTheParametersIndexes) {
  double values[] = {0.2, 0.8};
  VexaEngineEvent("Two Values", values, 2);
  auto* node = CachedNode<cArrangement>("Two Values");
  ASSERT_NE(node, nullptr);
  cAutoCriticalSection lock(EngineLock());
  EXPECT_FLOAT_EQ(node->Values().GetFloat(0), 0.2f);  // "Beta", index 0, listed second by name
  EXPECT_FLOAT_EQ(node->Values().GetFloat(1), 0.8f);  // "Alpha", index 1
}
