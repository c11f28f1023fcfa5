// End to end: the installed folder. Installed to a fresh prefix and then moved, the program,
// started from another working folder, loads its libraries and the harness from the folder,
// finds its assets beside itself (all of them were installed), presents its dialog and quits
// through the harness; a tool runs from there too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/e2e/harness_run.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

int Shell(const std::string& command) { return std::system(command.c_str()); }

// The libraries the loader initialised, from its trace files (LD_DEBUG=libs).
std::vector<std::string> InitialisedLibraries(const std::string& folder, const std::string& stem) {
  std::vector<std::string> found;
  for (auto& e : std::filesystem::directory_iterator(folder)) {
    if (!e.path().filename().string().starts_with(stem)) continue;
    std::istringstream trace(ReadHostFile(e.path().string()));
    std::string line;
    const std::string mark = "calling init: ";
    while (std::getline(trace, line))
      if (size_t at = line.find(mark); at != std::string::npos) found.push_back(line.substr(at + mark.size()));
  }
  return found;
}

// The files below `folder` (links followed), by their paths in it; README files left out.
std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  namespace fs = std::filesystem;
  for (auto& e : fs::recursive_directory_iterator(folder, fs::directory_options::follow_directory_symlink))
    if (e.is_regular_file() && e.path().filename() != "README.md")
      files.insert(e.path().lexically_relative(folder).string());
  return files;
}

}  // namespace

TEST(InstallTest, TheInstalledFolderRunsFromAnywhere) {
  TempFolder work;
  std::string prefix = work.File("prefix"), folder = work.File("moved"), elsewhere = work.File("elsewhere");
  ASSERT_EQ(Shell(std::string(ORVELLA_CMAKE_COMMAND) + " --install " + ORVELLA_BUILD_DIR + " --prefix " + prefix +
                  " > " + work.File("install.txt") + " 2>&1"),
            0)
      << ReadHostFile(work.File("install.txt"));
  std::filesystem::rename(prefix, folder);  // nothing may point back to where it was made
  std::filesystem::create_directories(elsewhere);
  // Every asset the program has in the build (the built music project too) is in the folder.
  EXPECT_EQ(FilesBelow(folder + "/bin/assets"), FilesBelow(ToolPath("assets")));

  std::string script = work.File("script.txt"), png = work.File("frame.png");
  std::ofstream(script) << "frame 20 capture " << png << "\nframe 22 quit\n";
  std::string run = "cd " + elsewhere + " && env ORVELLA_HARNESS_SCRIPT=" + script +
                    " ORVELLA_HARNESS_MANUAL_CLOCK=5000:20 LD_DEBUG=libs LD_DEBUG_OUTPUT=" + work.File("loaded") + " " +
                    folder + "/bin/quillomer-lorvane --multiple options=sampledialog=sample > " + work.File("out.txt") + " 2>&1";
  EXPECT_EQ(Shell(run), 0) << ReadHostFile(work.File("out.txt"));
  ExpectDialogFrame(png);

  int ours = 0;
  for (const std::string& lib : InitialisedLibraries(work.Path(), "loaded")) {
    bool own = lib.find("liborvella_platform.so") != std::string::npos ||
               lib.find("libVexaAPI.so") != std::string::npos || lib.find("ksHarness.so") != std::string::npos;
    if (!own) continue;
    ours++;
    EXPECT_TRUE(lib.starts_with(folder + "/")) << lib;
  }
  EXPECT_EQ(ours, 3);

  std::ofstream(work.File("hello.lua")) << "print('installed ' .. 6 * 7)\n";
  EXPECT_EQ(Shell("cd " + elsewhere + " && " + folder + "/bin/orvella-lua " + work.File("hello.lua") + " > " +
                  work.File("tool.txt") + " 2>&1"),
            0);
  EXPECT_EQ(ReadHostFile(work.File("tool.txt")), "installed 42\n");
}
