// Test entry: every test process gets its own data folders so tests never touch the real home
// folder and can run in parallel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_folder.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TempFolder home;
  namespace fs = std::filesystem;
  const char* vars[][2] = {{"ORVELLA_APPDATA_DIR", "appdata"},
                           {"ORVELLA_COMMON_APPDATA_DIR", "common"},
                           {"ORVELLA_DESKTOP_DIR", "desktop"}};
  for (auto& v : vars) {
    fs::path p = fs::path(home.Path()) / v[1];
    fs::create_directories(p);
    setenv(v[0], p.c_str(), 1);
  }
  // Where the sources and the built programs are, for tests that read fixtures or run tools.
  setenv("ORVELLA_SOURCE_DIR", ORVELLA_SOURCE_DIR_DEFAULT, 0);
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) setenv("ORVELLA_BIN_DIR", exe.parent_path().c_str(), 0);
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  return RUN_ALL_TESTS();
}
