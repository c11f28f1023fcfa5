// End to end: the game program as a real process under the test harness: start, scripted
// input, quit through WM_QUIT, its log and errors on the terminal; the single-instance rule
// between two processes; the embedded switch with a bad host.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/harness_run.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* v : {"ORVELLA_HARNESS_SCRIPT", "ORVELLA_HARNESS_REPORT", "ORVELLA_HARNESS_MANUAL_CLOCK"})
      unsetenv(v);
  }
  // The program's log: the per-user folder of the game under the test's data folder.
  static std::string LogText() {
    return ReadHostFile(std::string(getenv("ORVELLA_APPDATA_DIR")) + "/Kestrune/quillomer-lorvane-design/logfile.txt");
  }
};

TEST_F(ProgramTest, RunsTheScriptOnTheManualClockAndEndsWithQuit) {
  HarnessRun run = RunWithHarness("frame 2 move 100 120\n"
                                  "frame 3 key 65 down\n"
                                  "time 40 clock 1000\n"
                                  "frame 30 quit\n",
                                  "--multiple options=sampledialog=sample 2>&1", "5000:2");
  EXPECT_EQ(run.result.status, 0) << run.result.out;
  for (const char* line : {"frame 2 ", ": move", "frame 3 ", ": key", ": clock", "frame 30 ", ": quit"})
    EXPECT_NE(run.report.find(line), std::string::npos) << line << "\n" << run.report;
  EXPECT_NE(LogText().find("quillomer-lorvane-design, version 3.0.0.1."), std::string::npos) << LogText();
}

// An error reaches the terminal as well as the log; ordinary entries stay in the log.
TEST_F(ProgramTest, ErrorsReachTheTerminal) {
  HarnessRun run = RunWithHarness("frame 5 quit\n", "--multiple options=viewportscale=-1");
  EXPECT_EQ(run.result.status, 0) << run.result.out;
  EXPECT_NE(run.result.out.find("Ignoring viewportscale \"-1\"\n"), std::string::npos) << run.result.out;
  EXPECT_EQ(run.result.out.find("version 3.0.0.1"), std::string::npos) << run.result.out;
  EXPECT_NE(LogText().find("Ignoring viewportscale \"-1\""), std::string::npos) << LogText();
}

TEST_F(ProgramTest, TheDisplayPresentsTheDialogsFrames) {
  TempFolder work;
  std::string script = work.File("script.txt"), report = work.File("report.txt"), png = work.File("frame.png");
  std::ofstream(script) << "frame 40 capture " << png << "\nframe 45 quit\n";
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", report.c_str(), 1);
  ToolResult r = RunTool("quillomer-lorvane", "--multiple options=sampledialog=sample 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(ReadHostFile(report).find("captured"), std::string::npos) << ReadHostFile(report) << LogText();
  ExpectDialogFrame(png);
}

// The same in a real window on a virtual X display, the frames written as they are presented.
// Without a graphics card the frames go to the window without OpenGL: the software GL driver
// alone would more than double the program's memory.
TEST_F(ProgramTest, TheDisplayPresentsFramesInARealWindow) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  TempFolder work;
  std::string png = work.File("frame.png");
  std::string command = "env -u SDL_VIDEODRIVER ORVELLA_DX_CAPTURE=" + png +
                        " ORVELLA_HARNESS_QUIT_AFTER_IDLE=300 xvfb-run -a env LD_DEBUG=files LD_DEBUG_OUTPUT=" +
                        work.File("loaded") + " " + ToolPath("quillomer-lorvane") +
                        " --multiple options=sampledialog=sample > " + work.File("out.txt") + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadHostFile(work.File("out.txt"));
  ExpectDialogFrame(png);
  bool renderNode = false;
  if (std::filesystem::exists("/dev/dri"))
    for (auto& e : std::filesystem::directory_iterator("/dev/dri"))
      renderNode = renderNode || e.path().filename().string().starts_with("renderD");
  if (renderNode) return;
  std::string loaded;
  for (auto& e : std::filesystem::directory_iterator(work.Path()))
    if (e.path().filename().string().starts_with("loaded")) loaded += ReadHostFile(e.path().string());
  EXPECT_NE(loaded.find("libSDL2"), std::string::npos) << "no loader trace";
  for (const char* gl : {"_dri.so", "libLLVM", "libGLX"}) EXPECT_EQ(loaded.find(gl), std::string::npos) << gl;
}

TEST_F(ProgramTest, AnInvalidHostWindowEndsTheProgramWithMinusOne) {
  ToolResult r = RunTool("quillomer-lorvane", "-wnd=1234abcd 2>&1");
  EXPECT_EQ(r.status, 255) << r.out;
}

// Two runs of the program. The first runs under the harness, minimises itself and holds its
// script until it is brought forward; its report comes through its output as it plays. The
// second finds it by its window class, brings it forward and ends with 0 before its game runs
// (it runs under the harness too, whose report would show a game that ran).
TEST_F(ProgramTest, ASecondInstanceBringsTheFirstForwardAndExits) {
  TempFolder work;
  std::string firstScript = work.File("first.txt"), secondScript = work.File("second.txt");
  std::string secondReport = work.File("second-report.txt");
  std::ofstream(firstScript) << "frame 2 minimize\n"
                                "frame 3 await minimized\n"
                                "frame 3 await background\n"
                                "frame 3 await restored\n"
                                "frame 3 await foreground\n"
                                "frame 4 quit\n";
  std::ofstream(secondScript) << "frame 1 quit\n";

  setenv("ORVELLA_HARNESS_SCRIPT", firstScript.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", "/dev/stdout", 1);
  setenv("ORVELLA_HARNESS_MANUAL_CLOCK", "5000:20", 1);
  RunningTool first("quillomer-lorvane", "");
  ASSERT_TRUE(first.WaitForOutput(": await background\n")) << first.Out();

  setenv("ORVELLA_HARNESS_SCRIPT", secondScript.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", secondReport.c_str(), 1);
  ToolResult second = RunTool("quillomer-lorvane", "");
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(ReadHostFile(secondReport), "");

  EXPECT_EQ(first.Finish(), 0) << first.Out();
  size_t restored = first.Out().find(": await restored\n");
  EXPECT_NE(restored, std::string::npos) << first.Out();
  EXPECT_NE(first.Out().find(": await foreground\n", restored), std::string::npos) << first.Out();
  EXPECT_NE(first.Out().find(": quit\n", restored), std::string::npos) << first.Out();
}

}  // namespace
