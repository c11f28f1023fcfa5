// The prefsdump tool prints what the game stored, section by section, and refuses bad usage.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/file.h"
#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "tests/support/host_file.h"
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
  EXPECT_EQ(Prefsdump("").status, 2);
  EXPECT_EQ(Prefsdump("Rk47vbnwJAAA " + folder.Path() + "/missing.dat").status, 1);
}

// What the tool cannot read whole is a failure, said in words: the game silently drops it.
TEST(Prefsdump, RefusesOtherFilesAndReportsWhereAFileIsCut) {
  TempFolder folder;
  ClearFileMap();  // a save of another test may have mapped "user:prefs.dat"
  ClearSettingsForTest();
  SetSetting("encryptionkey", "Rk47vbnwJAAA");
  SetSetting("installkey", "Retail");
  SetDataFolders(folder.Path().c_str(), "", "");
  {
    TPrefs prefs(true);
    prefs.SetString("music", "on", -1, false);
    prefs.SetString("voice", "off", -1, false);
  }
  std::string file = folder.Path() + "/prefs.dat";
  std::string image = ReadHostFile(file);
  std::string cut = folder.Path() + "/cut.dat", random = folder.Path() + "/random.dat";
  std::ofstream(cut, std::ios::binary) << image.substr(0, image.size() - 3);
  std::string noise;
  for (int i = 0; i < 300; ++i) noise += (char)(i * 97 + 13);
  std::ofstream(random, std::ios::binary) << noise;

  ToolResult r = Prefsdump("Rk47vbnwJAAA " + cut);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("music = on"), std::string::npos) << r.out;  // what comes before the cut
  EXPECT_EQ(r.out.find("voice"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cut.dat: chunk 5 at byte 66: chunk cut short"), std::string::npos) << r.out;

  r = Prefsdump("Rk47vbnwJAAA " + random);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "prefsdump: " + random + " is not a preferences file\n");

  r = Prefsdump("AAAAAAAAAAAA " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("chunk 1 at byte 0: chunk does not decipher (a wrong key?)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("music"), std::string::npos) << r.out;
}

}  // namespace
