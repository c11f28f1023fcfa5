// The sound system on projects read from memory: the patch factory and node cache, project
// order, rejected documents, cycles in project data, defaults, and the sync grid's arithmetic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/name_id.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/sound.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/tarn_sound_system.h"
#include "tests/audio_engine/support/memory_reader.h"
#include "tests/audio_engine/support/project_xml.h"

using namespace Tarn;
using VexaTest::MemoryReader;
using VexaTest::ProjectXml;

namespace {

class SoundSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogSink([this](const std::string& l) { lines.push_back(l); });
    SetMessageSink([this](const std::string&, const std::string& t) { messages.push_back(t); });
    system = cTarnSoundSystem::Create();
  }
  void TearDown() override {
    cTarnSoundSystem::Shutdown();
    SetLogSink(nullptr);
    SetMessageSink(nullptr);
  }
  int Load(const ProjectXml& project, const char* name = "Test.xml") {
    MemoryReader reader(project.Text());
    return system->LoadProject(name, &reader);
  }
  cSound* Sound(const char* name) {
    cSound* node = nullptr;
    system->GetSound(NameId(name), &node);
    return node;
  }
  bool Logged(const std::string& part) const {
    for (const auto& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  cTarnSoundSystem* system = nullptr;
  std::vector<std::string> lines, messages;
};

}  // namespace

TEST_F(SoundSystemTest, PatchTypesGiveTheirNodesOnceEach) {
  ProjectXml p;
  p.Patch("M", "Mixer").Patch("E", "EditList").Patch("R", "SampleResource").Patch("C", "EventClip").Patch("U", "Bogus");
  p.Patch("P", "Parameter").Patch("A", "AutomationClip");
  ASSERT_EQ(Load(p), 0);
  struct Case {
    const char* name;
    int result;
    bool node;
  } cases[] = {{"M", 0, true}, {"E", 0, false}, {"R", 3, false}, {"C", 3, false}, {"U", 11, false},
               {"Nobody", 2, false}, {"P", 0, true}, {"A", 0, true}};
  for (const auto& c : cases) {
    cIPatchHolder* holder = nullptr;
    EXPECT_EQ(system->GetPatchHolder(NameId(c.name), &holder), c.result) << c.name;
    EXPECT_EQ(holder != nullptr, c.node) << c.name;
  }
  size_t cached = system->CachedNodeCount();  // M, E (empty entry), P, A
  EXPECT_EQ(cached, 4u);
  EXPECT_EQ(Sound("M"), Sound("M"));
  EXPECT_EQ(system->CachedNodeCount(), cached);
  EXPECT_EQ(Sound("P"), nullptr);  // a holder, not a sound
}

TEST_F(SoundSystemTest, ProjectOrderDecidesWhichPatchIsFound) {
  ProjectXml first("First"), second("Second");
  first.Patch("X", "Mixer").Set("Volume", 0.1);
  second.Patch("X", "Mixer").Set("Volume", 0.9);
  ASSERT_EQ(Load(first, "a/First.xml"), 0);
  ASSERT_EQ(Load(second, "b\\Second.xml"), 0);
  cPropertySet* x = nullptr;
  ASSERT_EQ(system->FindPatch("X", &x), 0);
  EXPECT_FLOAT_EQ(x->GetFloat(Ids::kVolume), 0.1f);
  EXPECT_EQ(system->Project(0)->mName.str(), "First.xml");
  EXPECT_EQ(system->Project(0)->mFolder.str(), "a/");
  EXPECT_EQ(system->Project(0)->mResourcesFolder.str(), "a/Resources/");
  EXPECT_EQ(system->Project(1)->mName.str(), "Second.xml");
  // A project loaded after one with "LoadPriority" is searched before it.
  system->UnloadAllProjects();
  ProjectXml priority("Priority");
  priority.Patch("Project Settings", "ProjectSettings").Set("LoadPriority", 1).Patch("X", "Mixer").Set("Volume", 0.1);
  ASSERT_EQ(Load(priority), 0);
  ASSERT_EQ(Load(second), 0);
  ASSERT_EQ(system->FindPatch("X", &x), 0);
  EXPECT_FLOAT_EQ(x->GetFloat(Ids::kVolume), 0.9f);
}

// A document the parser stops in keeps what was read before the error and is listed; the
// answer is the parse result and the log names the file and the place.
TEST_F(SoundSystemTest, AProjectFailingValidationKeepsWhatWasRead) {
  std::string broken = ProjectXml().Patch("Kept", "Mixer").Text();
  broken.insert(broken.find("</Project>"), "<PropertySet><9Bad/></PropertySet><PropertySet><Name>Lost</Name>"
                                           "<PlayerType>Mixer</PlayerType></PropertySet>");
  MemoryReader reader(broken);
  EXPECT_EQ(system->LoadProject("Broken.xml", &reader, "Music.VEX: Broken.xml"), 1);
  ASSERT_EQ(system->ProjectCount(), 1u);
  EXPECT_EQ(system->Project(0)->mName.str(), "Broken.xml");
  EXPECT_NE(Sound("Kept"), nullptr);
  EXPECT_EQ(Sound("Lost"), nullptr);  // after the error
  EXPECT_TRUE(Logged("Music.VEX: Broken.xml")) << (lines.empty() ? "" : lines[0]);
  EXPECT_TRUE(Logged("line 3, column"));
}

TEST_F(SoundSystemTest, CyclesInProjectDataEndWithALogLine) {
  ProjectXml p;
  p.Patch("Loop A", "MixerChannel").Set("ChildName", "Loop B");
  p.Patch("Loop B", "MixerChannel").Set("ChildName", "Loop A");
  p.Patch("Self", "Mixer").List("SoundList", {"Self", "Leaf"});
  p.Patch("Leaf", "Mixer");
  p.Patch("Ring 1", "Mixer").List("SoundList", {"Ring 2"});
  p.Patch("Ring 2", "Mixer").List("SoundList", {"Ring 1"});
  p.Patch("Auto", "Mixer").List("Automation", {"Auto Holder"});
  p.Patch("Auto Holder", "Mixer").List("SoundList", {"Auto"});
  ASSERT_EQ(Load(p), 0);
  struct Case {
    const char* name;
  } cases[] = {{"Loop A"}, {"Self"}, {"Ring 1"}, {"Auto"}};
  for (const auto& c : cases) {
    lines.clear();
    cSound* node = Sound(c.name);
    ASSERT_NE(node, nullptr) << c.name;
    EXPECT_FALSE(lines.empty()) << c.name;
    // What was built has no way back to the node: playing and stopping it ends.
    node->Play(-1);
    node->Process();
    node->Kill();
  }
  EXPECT_EQ(Sound("Self")->Children().size(), 1u);  // "Leaf" kept
  // A delegate chain changed later cannot close a cycle either.
  cSound* b = Sound("Loop B");
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->Delegate() && b->Delegate()->Reaches(b));
}

TEST_F(SoundSystemTest, DefaultsBehindEveryPatch) {
  const cPropertySet& d = system->Defaults();
  EXPECT_EQ(d.GetId(Ids::kOutputBusMixerChannel), NameId("Master Bus"));
  EXPECT_EQ(d.GetInt(Ids::kResourceEndPosition), 5292000);
  EXPECT_EQ(d.GetInt(Ids::kResourceLoopEndPosition), -1);
  EXPECT_EQ(d.GetInt(NameId("Steps")), 9542595);
  EXPECT_FLOAT_EQ(d.GetFloat(Ids::kPan), 0.5f);
  EXPECT_FLOAT_EQ(d.GetFloat(Ids::kSendLevel9), 1.0f);
  EXPECT_EQ(d.GetVariant(Ids::kMasterModeSyncDenominator).Text().str(), "Measures");
  EXPECT_EQ(d.GetVariant(Ids::kSourceModeSyncSourceMode).Text().str(), "Stop");
  EXPECT_TRUE(d.GetBool(Ids::kSourceModeSyncEnabled));
  EXPECT_FALSE(d.GetBool(Ids::kEnabled));
}

TEST(LoopWrap, WrapsToTheLoopStartAndNeverDividesByAnEmptyLoop) {
  struct Case {
    int64_t offset, start, loopStart, loopEnd;
    bool looping;
    int64_t expected;
  } cases[] = {
      {100, 0, 0, 1000, true, 100},      // before the loop end
      {1000, 0, 0, 1000, true, 0},       // at the loop end: the loop start
      {1250, 0, 200, 1000, true, 450},   // wraps to the loop start, not the resource start
      {900, 100, 500, 1000, true, 500},  // start 100 + 900 = 1000: the loop start
      {5000, 0, 700, 700, true, 5000},   // an empty loop does not wrap (no division by zero)
      {5000, 0, 0, 1000, false, 5000},   // not looping
  };
  for (const auto& c : cases)
    EXPECT_EQ(LoopWrap(c.offset, c.start, c.loopStart, c.loopEnd, c.looping), c.expected) << c.offset;
}

TEST(SyncGrid, UnitLengthsAndTheNextBoundary) {
  struct Case {
    const char* unit;
    int64_t numerator;
    double tempo;
    int64_t loopStart, loopEnd;
    double length;
  } cases[] = {
      {"Measures", 1, 120.0, 0, -1, 88200.0},       // 4 beats of 0.5 s
      {"Beats", 1, 120.0, 0, -1, 22050.0},
      {"Milliseconds", 250, 120.0, 0, -1, 11025.0},
      {"Seconds", 2, 120.0, 0, -1, 88200.0},
      {"Samples", 441, 120.0, 0, -1, 441.0},
      {"LoopPoints", 1, 120.0, 1000, 45100, 44100.0},
      {"Measures", 1, 0.0, 0, -1, 0.0},             // tempo 0: no grid
      {"LoopPoints", 1, 120.0, 500, 500, 0.0},      // equal loop points: no grid
      {"Furlongs", 1, 120.0, 0, -1, 0.0},           // an unknown unit: no grid
      {"Measures", 100000, 120.0, 0, -1, 8820000000.0},  // beyond 32 bits, not wrapped
  };
  for (const auto& c : cases) {
    tSyncGrid g{NameId(c.unit), c.numerator, c.tempo, 4.0, 0, 5292000, c.loopStart, c.loopEnd};
    EXPECT_DOUBLE_EQ(SyncUnitLength(g), c.length) << c.unit << " " << c.numerator;
  }
  EXPECT_EQ(SamplesToBoundary(0, 0, 88200.0), 88200);
  EXPECT_EQ(SamplesToBoundary(88199, 0, 88200.0), 1);
  EXPECT_EQ(SamplesToBoundary(100000, 0, 88200.0), 76400);
  EXPECT_EQ(SamplesToBoundary(100000, 1000, 88200.0), 77400);  // counted from the timeline start
  EXPECT_EQ(SamplesToBoundary(5, 0, 0.0), 0);
}
