// The hiscoredump tool prints the text of a sound "hiscore.dat" and refuses a damaged one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/settings.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

ToolResult Hiscoredump(const std::string& args) { return RunTool("hiscoredump", args); }

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
  ToolResult r = Hiscoredump("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);
  EXPECT_NE(r.out.find("score=\"77\""), std::string::npos);

  std::string bytes = ReadHostFile(file);
  bytes[3] ^= 1;
  std::ofstream(file, std::ios::binary) << bytes;
  r = Hiscoredump("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("checksum does not match"), std::string::npos);
  EXPECT_EQ(Hiscoredump("onlyone").status, 2);
}

}  // namespace
