// Every tool's command line: "--help" answers the usage and 0 without touching a file; a bad
// argument answers the usage and 2, and nothing is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const char* const kTools[] = {"artgen",    "dxdemo",   "hiscoredump", "kspack", "mvecgen", "orvella-lua",
                              "prefsdump", "soundgen", "tonegen",     "vexpack", "zxml"};

// Runs the tool in an empty folder, so that any file it writes shows.
struct InEmptyFolder {
  TempFolder folder;
  fs::path previous = fs::current_path();
  InEmptyFolder() { fs::current_path(folder.Path()); }
  ~InEmptyFolder() { fs::current_path(previous); }
  bool Untouched() const { return fs::is_empty(folder.Path()); }
};

TEST(ToolCommandLine, HelpPrintsTheUsageAndSucceeds) {
  for (const char* tool : kTools) {
    InEmptyFolder here;
    ToolResult r = RunTool(tool, "--help");
    EXPECT_EQ(r.status, 0) << tool << "\n" << r.out;
    EXPECT_EQ(r.out.rfind(std::string("usage: ") + tool, 0), 0u) << tool << "\n" << r.out;
    EXPECT_TRUE(here.Untouched()) << tool;
  }
}

TEST(ToolCommandLine, BadArgumentsPrintTheUsageAndExitWithTwo) {
  struct Case {
    const char* tool;
    const char* args;
  } cases[] = {
      {"artgen", ""},
      {"artgen", "--bogus"},
      {"dxdemo", "--bogus"},
      {"dxdemo", "many"},
      {"dxdemo", "0"},
      {"dxdemo", "10 shot.png extra"},
      {"hiscoredump", ""},
      {"hiscoredump", "key"},
      {"kspack", ""},
      {"kspack", "list"},
      {"kspack", "squash a.ksp"},
      {"mvecgen", ""},
      {"mvecgen", "font.ttf out.mvec --em"},
      {"mvecgen", "font.ttf out.mvec --em big"},
      {"mvecgen", "font.ttf out.mvec --size 3"},
      {"orvella-lua", ""},
      {"orvella-lua", "-x script.lua"},
      {"orvella-lua", "-o out.luc"},
      {"prefsdump", ""},
      {"prefsdump", "key"},
      {"soundgen", ""},
      {"soundgen", "sounds only-one"},
      {"tonegen", ""},
      {"tonegen", "out.ogg 440 -1"},    // a negative length once wrapped to a day of sound
      {"tonegen", "out.ogg 440 1e9"},
      {"tonegen", "out.ogg 440 0"},
      {"tonegen", "out.ogg 440 nan"},
      {"tonegen", "out.ogg abc"},
      {"tonegen", "out.ogg 440x"},
      {"tonegen", "out.ogg -5"},
      {"tonegen", "out.ogg 30000"},    // above what the rate can carry
      {"tonegen", "out.ogg 440 1 3"},
      {"tonegen", "out.ogg 440 1 2 7"},
      {"tonegen", "out.ogg 440 1 2 0.5 extra"},
      {"vexpack", ""},
      {"vexpack", "frobnicate x"},
      {"vexpack", "hash"},
      {"vexpack", "list"},
      {"zxml", ""},
      {"zxml", "squash a b"},
  };
  for (const Case& c : cases) {
    InEmptyFolder here;
    ToolResult r = RunTool(c.tool, c.args);
    EXPECT_EQ(r.status, 2) << c.tool << " " << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(std::string("usage: ") + c.tool), std::string::npos) << c.tool << " " << c.args << "\n" << r.out;
    EXPECT_TRUE(here.Untouched()) << c.tool << " " << c.args;
  }
}

TEST(ToolCommandLine, ToneWithinTheBoundsIsWritten) {
  InEmptyFolder here;
  ToolResult r = RunTool("tonegen", "tone.ogg 1000 0.25 1 0.3");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_GT(fs::file_size(fs::path(here.folder.Path()) / "tone.ogg"), 0u);
}

}  // namespace
