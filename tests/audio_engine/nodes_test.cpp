// Node types and the sync system on small projects, rendered straight from the mix root (no
// output device): the node base's forwarding, mixer channels, envelopes, selectors, repeaters,
// buses' returns, one-shot masters, fades that cannot happen and fades of no length.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/name_id.h"
#include "audio_engine/nodes/arrangement.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/nodes/envelope.h"
#include "audio_engine/nodes/loop_box.h"
#include "audio_engine/nodes/repeater.h"
#include "audio_engine/persist.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/sound.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/tarn_sound_system.h"
#include "platform/test_control.h"
#include "tests/audio_engine/support/engine_harness.h"
#include "tests/audio_engine/support/memory_reader.h"
#include "tests/audio_engine/support/project_xml.h"
#include "tests/support/temp_folder.h"
#include "tools/tonegen/tone.h"

using namespace Tarn;
using VexaTest::MemoryReader;
using VexaTest::ProjectXml;

namespace {

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(1000);
    SetLogSink([this](const std::string& l) { lines.push_back(l); });
    ToneGen::ToneSpec tone;
    tone.frequency = 1000.0;
    tone.frames = 22050;  // half a second
    ToneGen::WriteFile(dir.File("tone.ogg"), ToneGen::MakeOggTone(tone));
    cPersist::Init(dir.Path().c_str());
    system = cTarnSoundSystem::Create();
    TarnMix::ResetGlobalMixTime(1000);
  }
  void TearDown() override {
    cTarnSoundSystem::Shutdown();
    cPersist::Shutdown();
    SetLogSink(nullptr);
    TestControl::UseRealClock();
  }
  void Load(const ProjectXml& p) {
    MemoryReader reader(p.Text());
    ASSERT_EQ(system->LoadProject("Nodes.xml", &reader), 0);
  }
  template <class T = cSound>
  T* Get(const char* name) {
    cSound* node = nullptr;
    system->GetSound(NameId(name), &node);
    return dynamic_cast<T*>(node);
  }
  // Mixes whole 20 ms blocks from the root, as the output's reader does.
  std::vector<int16_t> Render(uint32_t frames) {
    std::vector<int16_t> out(frames * 2);
    for (uint32_t at = 0; at < frames; at += 882) {
      uint32_t n = std::min<uint32_t>(882, frames - at), got = 0;
      TarnMix::cTarnSoundSystem::Get()->RootReader()->Read(out.data() + 2 * at, n * 4, &got);
    }
    return out;
  }
  int64_t Now() const { return (int64_t)TarnMix::GlobalMixTime(); }
  bool Logged(const std::string& part) const {
    for (const auto& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }

  TempFolder dir;
  cTarnSoundSystem* system = nullptr;
  std::vector<std::string> lines;
};

// Records the insert effects a node is given.
struct EffectProbe : cSound {
  void OnPatchApplied(const EffectSet& effects) override { seen = effects; }
  EffectSet seen;
};

}  // namespace

TEST_F(GraphTest, TheNodeBaseForwardsToItsDelegateTargetOrItsChildren) {
  ProjectXml p;
  p.Patch("Top", "Mixer").Set("ChildName", "Off").List("SoundList", {"Child"});
  p.Patch("Off", "MixerChannel").Set("Enabled", "false").Set("ChildName", "Target");
  p.Patch("Target", "Mixer");
  p.Patch("Child", "Mixer");
  p.Patch("Parent", "Mixer").List("SoundList", {"Child 2", "Missing", "Child 3"});
  p.Patch("Child 2", "Mixer");
  p.Patch("Child 3", "Mixer");
  p.Patch("E1", "VstEffectPlugin").Patch("E2", "VstEffectPlugin").Patch("E3", "VstEffectPlugin").Set("Index", 3);
  p.Patch("Probe", "Mixer").List("InsertEffects", {"E1", "E2", "E3"});
  Load(p);
  cSound* top = Get("Top");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->DelegateTarget(), Get("Target"));  // the disabled "Off" is passed through
  top->Play(-1);
  EXPECT_EQ(top->StartTime(), Now());  // -1 is stored as the current mix time
  EXPECT_EQ(Get("Target")->StartTime(), Now());
  EXPECT_EQ(Get("Off")->StartTime(), -1);
  EXPECT_EQ(Get("Child")->StartTime(), -1);  // with a delegate, the children do not play
  float value = 5.0f;
  EXPECT_EQ(Get("Target")->GetValue(Ids::kVolume, &value, 0), 0);
  EXPECT_EQ(value, 0.0f);
  ASSERT_EQ(Get("Parent")->Children().size(), 2u);  // the missing entry is left out
  Get("Parent")->Play(500);
  EXPECT_EQ(Get("Child 3")->StartTime(), 500);
  // Insert effects by "Index", 100 without one; of two under one key the later wins.
  EffectProbe probe;
  cPropertySet* patch = nullptr;
  ASSERT_EQ(system->FindPatch("Probe", &patch), 0);
  probe.SetPatch(patch);
  ASSERT_EQ(probe.seen.size(), 2u);
  EXPECT_EQ(probe.seen[100]->GetVariant(Ids::kName).Text().str(), "E2");
  EXPECT_EQ(probe.seen[3]->GetVariant(Ids::kName).Text().str(), "E3");
}

TEST_F(GraphTest, MixerChannelsCombineTheirPatchWithTheirOwnValues) {
  struct Case {
    const char* property;
    double patch;
    double own;
    double forwarded;
  } cases[] = {{"Pan", 0.7, 0.6, 0.8},     {"Volume", 0.5, 0.5, 0.25}, {"SendLevel2", 0.5, 0.4, 0.2},
               {"Mute", 0.0, 1.0, 0.0},    {"Solo", 0.0, 1.0, 1.0}};
  for (const auto& c : cases) {
    ProjectXml p;
    p.Patch("Channel", "MixerChannel").Set(c.property, c.patch);
    system->UnloadAllProjects();
    Load(p);
    cSound* channel = Get("Channel");
    ASSERT_NE(channel, nullptr);
    uint32_t id = NameId(c.property);
    channel->SetParameter(id, tVariant::Float((float)c.own), 0);
    const tVariant* f = channel->ForwardedValue(id);
    ASSERT_NE(f, nullptr) << c.property;
    EXPECT_FLOAT_EQ(f->AsFloat(), (float)c.forwarded) << c.property;
  }
}

TEST_F(GraphTest, EnvelopesSelectorsAndRepeatersAtTheirEdges) {
  ProjectXml p;
  p.Patch("Quick", "Envelope").Set("Enabled", "true").Set("Attack", 0.0).Set("Release", 10.0).Set("ChildName", "Box 1");
  p.Patch("Only", "RandomSelector").Set("Enabled", "true").Set("ChildName", "Only Mixer");
  p.Patch("Only Mixer", "Mixer").List("SoundList", {"Box 2"});
  p.Patch("Again", "Repeater").Set("Enabled", "true").Set("ChildName", "Box 3");
  for (const char* box : {"Box 1", "Box 2", "Box 3"}) p.Patch(box, "LoopBox").Set("ResourceName", "Tone");
  p.Patch("Tone", "SampleResource").Set("Url", "tone.ogg");
  Load(p);
  // A release under 20 ms ends the envelope (and its sound) at once.
  auto* quick = Get<cEnvelope>("Quick");
  ASSERT_NE(quick, nullptr);
  quick->Play(-1);
  Render(1764);
  EXPECT_TRUE(Get("Box 1")->IsActive());
  quick->Stop(-1);
  EXPECT_EQ(quick->GetPhase(), cEnvelope::kIdle);
  EXPECT_FALSE(Get("Box 1")->IsActive());
  // A selector with one child always plays it.
  for (int i = 0; i < 3; i++) {
    Get("Only")->Play(-1);
    EXPECT_TRUE(Get("Box 2")->IsActive()) << i;
    Get("Box 2")->Kill();
  }
  // A repeater with the defaults plays its sound once and stops itself when it ends.
  auto* again = Get<cRepeater>("Again");
  again->Play(-1);
  int plays = 0;
  bool wasActive = false;
  for (int block = 0; block < 60; block++) {
    TestControl::AdvanceClock(20);
    Render(882);
    bool active = Get("Box 3")->IsActive();
    if (active && !wasActive) plays++;
    wasActive = active;
  }
  EXPECT_EQ(plays, 1);
  EXPECT_FALSE(again->IsActive());
  EXPECT_FALSE(again->IsUpdating());
}

TEST_F(GraphTest, ReturnsBeyondTheFourGroupsAndReturnsIntoThemselvesAreLeftOut) {
  ProjectXml p;
  p.Patch("Send Bus", "Bus").List("SoundList", {"Far Channel", "Near Channel"});
  p.Patch("Far Channel", "MixerChannel").Set("ChildName", "Far Return");
  p.Patch("Far Return", "Bus").Set("EffectsReturnNumber", 7);
  p.Patch("Near Channel", "MixerChannel").Set("ChildName", "Near Return");
  p.Patch("Near Return", "Bus").Set("EffectsReturnNumber", 1);
  p.Patch("Loop Bus", "Bus").Set("EffectsReturnNumber", 0).List("SoundList", {"Loop Channel"});
  p.Patch("Loop Channel", "MixerChannel").Set("ChildName", "Loop Bus");
  Load(p);
  auto* send = Get<cBus>("Send Bus");
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->Mixer()->GetSendTarget(1), Get<cBus>("Near Return")->Mixer());
  for (int i : {0, 2, 3}) EXPECT_EQ(send->Mixer()->GetSendTarget(i), nullptr);
  EXPECT_TRUE(Logged("effects-return number 7"));
  auto* loop = Get<cBus>("Loop Bus");
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->Mixer()->GetSendTarget(0), nullptr);
  EXPECT_NE(loop->Mixer()->GetParent(), loop->Mixer());
  // Send levels beyond the four groups change nothing.
  EXPECT_EQ(send->Mixer()->SetSendLevel(6, 0.5f), 0);
  Render(882);
}

TEST_F(GraphTest, AFinishedOneShotMasterLeavesTheGridAndRetriggersDoNotPileUp) {
  ProjectXml p;
  p.Patch("Shot", "ArrangementClip").Set("ResourceName", "Shot Box").Set("ResourceEndPosition", 22050);
  p.Patch("Shot Box", "LoopBox").Set("ResourceName", "Tone");
  p.Patch("Tone", "SampleResource").Set("Url", "tone.ogg");
  p.Patch("Slow", "ArrangementClip").Set("ResourceName", "Slow Box").Set("MasterModeFadeTime", 200);
  p.Set("ResourceEndPosition", 22050);
  p.Patch("Slow Box", "LoopBox").Set("ResourceName", "Tone");
  p.Patch("Instant", "ArrangementClip").Set("ResourceName", "Instant Arr").Set("ResourceEndPosition", 22050);
  p.Set("TimeLineLoopEnabled", "true");
  p.Patch("Instant Arr", "Arrangement").List("SoundList", {"Instant Track"});
  p.Patch("Instant Track", "TrackPlayer").List("SoundList", {"Instant Box"});
  p.Patch("Instant Box", "LoopBox").Set("ResourceName", "Tone").Set("TimeLineStartPosition", 0);
  p.Set("TimeLineEndPosition", 22050);
  Load(p);
  cSyncSystem* sync = system->Sync();
  cSound* shot = Get("Shot");
  ASSERT_NE(shot, nullptr);
  shot->Play(-1);
  Render(882);
  // Re-triggers while it plays are not started again, only its end moves to a bar later;
  // it stays listed once.
  for (int i = 0; i < 4; i++) shot->Play(-1);
  EXPECT_EQ(sync->Stopping().size(), 1u);
  EXPECT_EQ(Get<cLoopBox>("Shot Box")->Player()->PendingStop(), 1000 + 88200 + 22050);
  Render(88200 + 22050);  // past that end, in the last block
  EXPECT_FALSE(shot->IsActive());
  int64_t now = Now();
  shot->Play(-1);  // no dead master's grid to wait for: at once, before any tick pruned it
  EXPECT_TRUE(shot->IsActive());
  EXPECT_EQ(Get<cLoopBox>("Shot Box")->Player()->PendingStart(), 0);
  EXPECT_EQ(Get("Shot Box")->StartTime(), now);
  Render(22050 + 1764);
  EXPECT_TRUE(sync->Stopping().empty());  // the tick drops ended clips
  // A loop-box master fades out over its fade time (the level squared) and stops at its end.
  Get("Slow")->Play(-1);
  double full = VexaTest::Rms(Render(882), 0, 882, 0);
  now = Now();
  sync->StopAll(now);
  EXPECT_TRUE(Get("Slow")->IsActive());
  auto fading = Render(4410);  // the last block at 0.6 of the level, squared
  EXPECT_TRUE(Get("Slow")->IsActive());
  EXPECT_NEAR(VexaTest::Rms(fading, 3528, 4410, 0) / full, 0.36, 0.03);
  Render(4410 + 882);
  EXPECT_FALSE(Get("Slow")->IsActive());
  // An arrangement told to fade over no time stops at once, with no endless fade.
  Get("Instant")->Play(-1);
  Render(1764);
  auto* arrangement = Get<cArrangement>("Instant Arr");
  ASSERT_TRUE(arrangement->IsActive());
  arrangement->Fade(0.0f, true, true, Now());
  Render(882);
  EXPECT_FALSE(arrangement->IsActive());
  EXPECT_FALSE(Get("Instant Box")->IsActive());
  EXPECT_EQ(arrangement->FadeLevel(), 0.0);
}

TEST_F(GraphTest, DroppingTheGraphWhilePlayingLeavesNothingInTheMix) {
  // Players, buses and returns point at each other's mixers: every node leaves its mixes
  // before any is deleted, whatever order the cache deletes them in.
  ProjectXml p;
  p.RootAndMaster({"Fx"});
  p.Bus("Fx");
  p.Patch("Fx Bus", "Bus").Set("OutputBusMixerChannel", "Master Bus").List("SoundList", {"Fx Return"});
  p.Patch("Fx Return", "MixerChannel").Set("ChildName", "Fx Return Bus");
  p.Patch("Fx Return Bus", "Bus").Set("EffectsReturnNumber", 0);
  for (const char* name : {"One", "Two", "Three"}) {
    p.Patch(name, "MixerChannel").Set("OutputBusMixerChannel", "Fx").Set("ChildName", std::string(name) + " Box");
    p.Patch(std::string(name) + " Box", "LoopBox").Set("ResourceName", "Tone").Set("ResourceLoopEnabled", "true");
  }
  p.Patch("Tone", "SampleResource").Set("Url", "tone.ogg");
  Load(p);
  system->StartMasterBus();
  for (const char* name : {"One", "Two", "Three"}) Get(name)->Play(-1);
  auto before = Render(1764);
  EXPECT_GT(VexaTest::Rms(before, 882, 1764, 0), 1000.0);
  system->ClearPatches();
  EXPECT_EQ(TarnMix::cTarnSoundSystem::Get()->Root()->SourceCount(), 0u);
  auto after = Render(1764);
  EXPECT_EQ(VexaTest::Rms(after, 0, 1764, 0), 0.0);
  // Made again on demand, the graph plays as before.
  system->StartMasterBus();
  Get("Two")->Play(-1);
  EXPECT_GT(VexaTest::Rms(Render(1764), 882, 1764, 0), 1000.0);
}
