// The kspack tool: pack, list and extract round trips, damaged packs and the raw mode.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/asset_file_list.h"
#include "core/base/file.h"
#include "core/base/file_map_handler.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tools/kspack/pack_writer.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

ToolResult Kspack(const std::string& args) { return RunTool("kspack", args); }

}  // namespace

TEST(Kspack, PackListExtractRoundTrip) {
  TempFolder t;
  std::ofstream(t.File("src/UI/Menu.lua"), std::ios::binary) << "menu";
  std::ofstream(t.File("src/a.txt"), std::ios::binary) << "";
  std::ofstream(t.File("src/.svn/entries"), std::ios::binary) << "no";
  std::ofstream(t.File("src/data/bin.dat"), std::ios::binary) << std::string("\0\1\2\r\n", 5);
  std::string pack = t.Path() + "/out.ksp";
  ASSERT_EQ(Kspack("pack " + pack + " " + t.Path() + "/src").status, 0);
  ToolResult list = Kspack("list " + pack);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "UI/Menu.lua 4\na.txt 0\ndata/bin.dat 5\n");
  ASSERT_EQ(Kspack("extract " + pack + " " + t.Path() + "/back").status, 0);
  EXPECT_EQ(ReadHostFile(t.Path() + "/back/UI/Menu.lua"), "menu");
  EXPECT_EQ(ReadHostFile(t.Path() + "/back/data/bin.dat"), std::string("\0\1\2\r\n", 5));
  EXPECT_FALSE(fs::exists(t.Path() + "/back/.svn"));

  // The framework mounts what the tool wrote, under lower-cased keys.
  auto old = fs::current_path();
  fs::current_path(t.Path());
  ASSERT_TRUE(MountPack(TStr(("::" + pack).c_str()), GetFileMap()));
  TFile f;
  ASSERT_TRUE(f.Open(TStr("ui/menu.lua"), kFileReadBinary));
  char buf[8];
  EXPECT_EQ(f.Read(buf, 8), 4);
  fs::current_path(old);
}

TEST(Kspack, RawModeWritesDamagedPacksThatListRefuses) {
  TempFolder t;
  const struct {
    const char* args;
    const char* error;
  } cases[] = {
      {"1000 a:8:1 --data xx", "entry count does not fit the file"},
      {"1 a:8:500 --data xx", "member a lies past the end"},
      {"2 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa:0:4 b:0:4 --cut 30", "directory cut short"},
  };
  int i = 0;
  for (const auto& c : cases) {
    std::string pack = t.Path() + "/bad" + std::to_string(i++) + ".ksp";
    ASSERT_EQ(Kspack("raw " + pack + " " + c.args).status, 0) << c.args;
    ToolResult r = Kspack("list " + pack);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.out.find(c.error), std::string::npos) << r.out;
    EXPECT_FALSE(MountPack(TStr(("::" + pack).c_str()), GetFileMap())) << c.args;
  }
  std::string good = t.Path() + "/good.ksp";
  ASSERT_EQ(Kspack("raw " + good + " 1 x.txt:17:2 --data hi").status, 0);
  EXPECT_EQ(Kspack("list " + good).out, "x.txt 2\n");
}

TEST(Kspack, ExtractRefusesNamesThatLeaveTheFolder) {
  TempFolder t;
  std::string pack = t.Path() + "/evil.ksp";
  ASSERT_EQ(Kspack("raw " + pack + " 1 ../evil.txt:23:2 --data hi").status, 0);
  ToolResult r = Kspack("extract " + pack + " " + t.Path() + "/out");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(t.Path() + "/evil.txt"));
}

TEST(Kspack, BadUsageAndMissingFiles) {
  EXPECT_EQ(Kspack("").status, 2);
  EXPECT_EQ(Kspack("list /no/such.ksp").status, 1);
  EXPECT_EQ(Kspack("pack /tmp/x.ksp /no/such/folder").status, 1);
}

// A sparse 4 GiB member costs no disk; the tool refuses it before reading a byte of it.
TEST(Kspack, PacksPastFourGigabytesAreRefused) {
  TempFolder t;
  std::ofstream(t.File("src/small.txt"), std::ios::binary) << "x";
  std::ofstream(t.File("src/huge.bin"), std::ios::binary) << "";
  fs::resize_file(t.File("src/huge.bin"), 0xFFFFFFF0ull);
  ToolResult r = Kspack("pack " + t.Path() + "/out.ksp " + t.Path() + "/src");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("offsets would not fit in 32 bits"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(t.Path() + "/out.ksp"));
  // Just under the limit the sizes alone decide; the writer's own check agrees.
  EXPECT_LE(PackSize({{8, 0xFFFFFFF0ull - 64}}), kPackMaxSize);
  EXPECT_GT(PackSize({{8, 0xFFFFFFF0ull}, {9, 1}}), kPackMaxSize);
}
