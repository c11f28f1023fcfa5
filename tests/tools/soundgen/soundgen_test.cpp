// The sound generator: a run draws the committed sounds (the framework's own under assets/ and
// the music project's clips under sound/clips), and the project step turns a list of events
// into patches or refuses the list with a message that names the line.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Source() { return std::getenv("ORVELLA_SOURCE_DIR"); }

std::vector<float> Decode(const std::string& path) {
  std::vector<float> s;
  OggVorbis_File f;
  if (ov_fopen(path.c_str(), &f) != 0) return s;
  float** pcm;
  int section;
  long n;
  while ((n = ov_read_float(&f, &pcm, 4096, &section)) > 0) s.insert(s.end(), pcm[0], pcm[0] + n);
  ov_clear(&f);
  return s;
}

// How far below the sound the difference lies, in dB (200 when they are the same).
double Likeness(const std::vector<float>& a, const std::vector<float>& b) {
  double signal = 0, diff = 0;
  for (size_t i = 0; i < a.size(); i++) {
    signal += (double)a[i] * a[i];
    diff += (double)(a[i] - b[i]) * (a[i] - b[i]);
  }
  if (diff == 0) return 200;
  return 10 * std::log10(signal / diff);
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST(Soundgen, DrawsTheCommittedSounds) {
  TempFolder out;
  ToolResult run = RunTool("soundgen", "sounds " + out.File("assets") + " " + out.File("clips"));
  ASSERT_EQ(run.status, 0) << run.out;
  int compared = 0;
  for (const auto& e : fs::recursive_directory_iterator(out.Path())) {
    if (!e.is_regular_file()) continue;
    std::string rel = fs::relative(e.path(), out.Path()).string();
    // Clips go to sound/clips; the framework's sounds to their asset keys.
    std::string committed = rel.rfind("clips/", 0) == 0 ? Source() + "/sound/" + rel : Source() + "/" + rel;
    ASSERT_TRUE(fs::exists(committed)) << rel << " is made but not committed (run scripts/make-sounds)";
    compared++;
    if (ReadHostFile(committed) == ReadHostFile(e.path().string())) continue;
    // Another machine's maths library may round a last bit differently, and the encoder then
    // choose differently; the sound must still be the same.
    std::vector<float> a = Decode(committed), b = Decode(e.path().string());
    ASSERT_EQ(a.size(), b.size()) << rel << " changed length (run scripts/make-sounds)";
    EXPECT_GT(Likeness(a, b), 30.0) << rel << " differs from the committed sound (run scripts/make-sounds)";
  }
  EXPECT_GT(compared, 60);
  // Nothing stale in the clip folder, and the framework's files are all there.
  for (const auto& e : fs::directory_iterator(Source() + "/sound/clips"))
    EXPECT_TRUE(fs::exists(out.File("clips/" + e.path().filename().string()))) << e.path() << " is no longer made";
  for (const char* key : {"assets/vexa/ui_click.ogg", "assets/sfx/sfx_typing_01.ogg", "assets/sfx/sfx_typing_04.ogg",
                          "assets/sfx/firework1.ogg", "assets/sfx/firework5.ogg"})
    EXPECT_TRUE(fs::exists(out.File(key))) << key;
}

class SoundgenProject : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.File("clips"));
    for (const char* clip : {"tick.ogg", "launch_1.ogg", "launch_2.ogg", "silence.ogg", "menu_loop.ogg"})
      fs::copy_file(Source() + "/sound/clips/" + clip, dir.File(std::string("clips/") + clip));
  }
  ToolResult Run(const std::string& events) {
    Write(dir.File("events.txt"), events);
    return RunTool("soundgen", "project " + dir.File("events.txt") + " " + dir.File("clips") + " " +
                                   dir.File("Game.xml") + " " + dir.File("symbols.xml"));
  }
  // Lines that use every clip of the folder, so a case fails only for its own line.
  const std::string kBase =
      "menu_music | music | menu_loop.ogg tempo=96 bars=8\n"
      "launch | sfx | launch_1.ogg launch_2.ogg\n"
      "tick_{1..3} | sfx | tick.ogg\n"
      "Stop_Music | stop |\n";
  TempFolder dir;
};

TEST_F(SoundgenProject, MakesThePatchesOfEachKind) {
  ToolResult r = Run(kBase +
                     "Music Volume | volume | Music\nbelt | loop | tick.ogg group=belt bus=Environments\n"
                     "Stop belt | halt | group=belt\n");
  ASSERT_EQ(r.status, 0) << r.out;
  std::string xml = ReadHostFile(dir.File("Game.xml"));
  const char* expected[] = {
      // Two clips: a random pick between two boxes.
      "<Name>launch</Name><PlayerType>RandomSelector</PlayerType>",
      "<Name>launch Box 2</Name><PlayerType>LoopBox</PlayerType><ResourceName>Clip launch_2.ogg</ResourceName>",
      // A tune: a looping clip of exactly its bars, on the Music bus.
      "<Name>menu_music</Name><PlayerType>ArrangementClip</PlayerType><ResourceName>menu_music Arrangement"
      "</ResourceName><ResourceEndPosition>882000</ResourceEndPosition><TimeLineLoopEnabled>true",
      "<Name>menu_music Track</Name><PlayerType>TrackPlayer</PlayerType><SoundList><StringList><String>menu_music "
      "Bar</String></StringList></SoundList><OutputBusMixerChannel>Music</OutputBusMixerChannel>",
      // A range: one event a number.
      "<Name>tick_3</Name><PlayerType>MixerChannel</PlayerType><OutputBusMixerChannel>Sfx",
      // A loop and its halt share an exclusive mixer under the root.
      "<String>belt Group</String>",
      "<Name>belt Group</Name><PlayerType>Mixer</PlayerType><MutualExclusionEnabled>true</MutualExclusionEnabled>"
      "<SoundList><StringList><String>belt</String><String>Stop belt</String>",
      "<Name>belt Box</Name><PlayerType>LoopBox</PlayerType><ResourceName>Clip tick.ogg</ResourceName>"
      "<ResourceLoopEnabled>true",
      // A volume: its one parameter automates the bus fader.
      "<Name>Music Volume Curve</Name><PlayerType>AutomationClip</PlayerType><AutomationTarget>Music"
      "</AutomationTarget><AutomationController>Volume</AutomationController>",
  };
  for (const char* e : expected) EXPECT_NE(xml.find(e), std::string::npos) << e;
  std::string symbols = ReadHostFile(dir.File("symbols.xml"));
  ToolResult id = RunTool("vexpack", "hash 'Stop belt'");
  EXPECT_NE(symbols.find("<Key>Stop belt</Key><Value>" + id.out.substr(0, 10) + "</Value>"), std::string::npos)
      << symbols;
}

TEST_F(SoundgenProject, RefusesABadListNamingTheLine) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"x | boom | tick.ogg", "line 5: unknown kind \"boom\""},
      {"x | sfx |", "line 5: no clip"},
      {"x | sfx", "line 5: wants NAME | KIND | CLIPS AND OPTIONS"},
      {"x | sfx | nothing.ogg", "line 5 (x): no clip nothing.ogg"},
      {"x | sfx | tick.ogg speed=2", "line 5: unknown option \"speed\""},
      {"x | sfx | tick.ogg bus=Voices", "line 5: unknown bus \"Voices\""},
      {"x | music | menu_loop.ogg tempo=96", "line 5: a tune wants one clip, tempo= and bars="},
      {"x | music | menu_loop.ogg tempo=96 bars=4", "not the 441000 of its bars"},
      {"x | music | menu_loop.ogg tempo=97 bars=8", "not a whole number of samples"},
      {"x | loop | tick.ogg", "line 5: a loop or halt wants group="},
      {"tick_2 | sfx | tick.ogg", "line 5: \"tick_2\" is listed twice"},
      {"x_{3..1} | sfx | tick.ogg", "line 5: empty range"},
      {"x | sfx | launch_{1..2}.ogg", "line 5: a clip range needs a name range"},
  };
  for (const auto& c : cases) {
    ToolResult r = Run(kBase + c.line + "\n");
    EXPECT_EQ(r.status, 1) << c.line;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.line << ": " << r.out;
  }
  // A clip no event plays is dead weight in the pack.
  fs::copy_file(Source() + "/sound/clips/coins.ogg", dir.File("clips/coins.ogg"));
  ToolResult unused = Run(kBase);
  EXPECT_EQ(unused.status, 1);
  EXPECT_NE(unused.out.find("clip coins.ogg is not played by any event"), std::string::npos) << unused.out;
}
