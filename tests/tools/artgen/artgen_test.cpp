// The picture generator against the pictures committed under assets/: a run into a fresh
// folder must draw every committed picture as it is (so a change to the generator that was
// not committed with its output is caught), leave none of its folders holding pictures it no
// longer draws, and give the same bytes when run again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "platform/directx/directx_test_control.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Every file under a folder: key (relative path) -> contents.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadHostFile(e.path().string());
  return files;
}

bool IsPicture(const std::string& key) {
  std::string ext = fs::path(key).extension().string();
  return ext == ".png" || ext == ".xml";
}

const char* const kRedraw = " (draw the pictures again with `build/bin/artgen assets` and commit them)";

}  // namespace

TEST(Artgen, DrawsEveryCommittedPictureAndOnlyThose) {
  TempFolder out;
  ToolResult run = RunTool("artgen", out.Path());
  ASSERT_EQ(run.status, 0) << run.out;
  auto drawn = Files(out.Path());
  ASSERT_FALSE(drawn.empty());
  std::string assets = std::string(std::getenv("ORVELLA_SOURCE_DIR")) + "/assets/";
  std::set<std::string> folders;
  for (const auto& [key, bytes] : drawn) {
    folders.insert(fs::path(key).parent_path().string());
    std::string committed = assets + key;
    ASSERT_TRUE(fs::exists(committed)) << key << " is drawn but not committed" << kRedraw;
    if (fs::path(key).extension() == ".png") {
      // Pixels, not bytes: another zlib may pack the same picture differently.
      std::vector<uint32_t> a, b;
      int aw = 0, ah = 0, bw = 0, bh = 0;
      ASSERT_TRUE(TestControl::Display::ReadPng(out.File(key), a, aw, ah)) << key;
      ASSERT_TRUE(TestControl::Display::ReadPng(committed, b, bw, bh)) << key;
      EXPECT_TRUE(aw == bw && ah == bh && a == b) << key << " differs from the committed picture" << kRedraw;
    } else {
      EXPECT_EQ(bytes, ReadHostFile(committed)) << key << " differs from the committed file" << kRedraw;
    }
  }
  // A picture left behind in one of the generator's folders is one nothing draws any more.
  for (const std::string& folder : folders) {
    for (const auto& e : fs::directory_iterator(assets + folder)) {
      std::string key = folder + "/" + e.path().filename().string();
      if (e.is_regular_file() && IsPicture(key)) {
        EXPECT_TRUE(drawn.count(key)) << key << " is committed but no longer drawn" << kRedraw;
      }
    }
  }
}

TEST(Artgen, TwoRunsGiveTheSameBytes) {
  TempFolder first, second;
  ASSERT_EQ(RunTool("artgen", first.Path()).status, 0);
  ASSERT_EQ(RunTool("artgen", second.Path()).status, 0);
  EXPECT_EQ(Files(first.Path()), Files(second.Path()));
}

TEST(Artgen, RefusesWhatItDoesNotKnow) {
  const struct {
    const char* args;
    int status;
  } cases[] = {{"", 2}, {"--help", 0}, {"--bogus", 2}, {"/tmp/unused-artgen-folder no_such_area", 2}};
  for (const auto& c : cases) EXPECT_EQ(RunTool("artgen", c.args).status, c.status) << c.args;
  ToolResult list = RunTool("artgen", "--list");
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("ui\n"), std::string::npos) << list.out;
}
