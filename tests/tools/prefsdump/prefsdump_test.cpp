// The prefsdump tool prints what the game stored, section by section, and refuses bad usage.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/base/file.h"
#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "tests/support/temp_folder.h"

namespace {

struct Result {
  int status;
  std::string out;
};

// The tools are built beside the test programs.
Result RunTool(const std::string& args) {
  std::string tool = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "prefsdump";
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
  Result r = RunTool("Rk47vbnwJAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "current install key: retail\n"
            "install key \"retail\": 3 sections\n"
            "  [global]\n    music = on\n  [user 0]\n  [user 1]\n    level = 4\n");
  // A wrong key deciphers nothing past the first chunk.
  r = RunTool("AAAAAAAAAAAA " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("music"), std::string::npos);
  EXPECT_EQ(RunTool("").status, 2);
  EXPECT_EQ(RunTool("Rk47vbnwJAAA " + folder.Path() + "/missing.dat").status, 1);
}

}  // namespace
