// The hiscoredump tool prints the text of a sound "hiscore.dat" and refuses a damaged one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/settings.h"
#include "tests/support/temp_folder.h"

namespace {

struct Result {
  int status;
  std::string out;
};

Result RunTool(const std::string& args) {
  std::string tool = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "hiscoredump";
  Result r{-1, ""};
  FILE* p = popen((tool + " " + args + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(Hiscoredump, PrintsTheTextAndRefusesDamage) {
  TempFolder folder;
  ClearSettingsForTest();
  SetSetting("encryptionkey", "Rk47vbnwJAAA");
  SetSetting("version", "2.0");
  ClearFileMap();
  SetDataFolders(folder.Path().c_str(), "", "");
  std::string expected;
  {
    TKsHiscores h;
    h.SetParameter(TKsHiscores::kParamPlayer, "Ann");
    h.SetParameter(TKsHiscores::kParamGameMode, "story");
    h.AddLocalScore(77, false, "", "");
    expected = h.BuildLocalText().c_str();
  }
  std::string file = folder.Path() + "/hiscore.dat";
  Result r = RunTool("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);
  EXPECT_NE(r.out.find("score=\"77\""), std::string::npos);

  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes[3] ^= 1;
  std::ofstream(file, std::ios::binary) << bytes;
  r = RunTool("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("checksum does not match"), std::string::npos);
  EXPECT_EQ(RunTool("onlyone").status, 2);
}

}  // namespace
