// The prefsdump tool prints what the game stored, section by section, and refuses bad usage.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/base/file.h"
#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

ToolResult Prefsdump(const std::string& args) { return RunTool("prefsdump", args); }

TEST(Prefsdump, PrintsEverySection) {
  TempFolder folder;
  ClearSettingsForTest();
  SetSetting("encryptionkey", "Rk47vbnwJAAA");
  SetSetting("installkey", "Retail");
  SetDataFolders(folder.Path().c_str(), "", "");
  {
    TPrefs prefs(true);
    prefs.SetString("music", "on", -1, false);
    prefs.SetInt("level", 4, 1, false);
  }
  std::string file = folder.Path() + "/prefs.dat";
  ToolResult r = Prefsdump("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "current install key: retail\n"
            "install key \"retail\": 3 sections\n"
            "  [global]\n    music = on\n  [user 0]\n  [user 1]\n    level = 4\n");
  // A wrong key deciphers nothing past the first chunk.
  r = Prefsdump("AAAAAAAAAAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("music"), std::string::npos);
  EXPECT_EQ(Prefsdump("").status, 2);
  EXPECT_EQ(Prefsdump("Rk47vbnwJAAA " + folder.Path() + "/missing.dat").status, 1);
}

}  // namespace
