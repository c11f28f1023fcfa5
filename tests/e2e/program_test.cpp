// End to end: the game program as a real process under the test harness: start, scripted
// input, quit through WM_QUIT, its log; the single-instance rule between two processes; the
// embedded switch with a bad host.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/directx/directx_test_control.h"
#include "platform/win32/win32.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ProgramTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* v : {"ORVELLA_HARNESS_SCRIPT", "ORVELLA_HARNESS_REPORT", "ORVELLA_HARNESS_MANUAL_CLOCK"})
      unsetenv(v);
  }
  // The program's log: the per-user folder of the game under the test's data folder.
  static std::string LogText() {
    return ReadFile(std::string(getenv("ORVELLA_APPDATA_DIR")) + "/Kestrune/quillomer-lorvane-design/logfile.txt");
  }
};

TEST_F(ProgramTest, RunsTheScriptOnTheManualClockAndEndsWithQuit) {
  TempFolder work;
  std::string script = work.File("script.txt"), report = work.File("report.txt");
  std::ofstream(script) << "frame 2 move 100 120\n"
                           "frame 3 key 65 down\n"
                           "time 40 clock 1000\n"
                           "frame 30 quit\n";
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", report.c_str(), 1);
  setenv("ORVELLA_HARNESS_MANUAL_CLOCK", "5000:2", 1);
  ToolResult r = RunTool("quillomer-lorvane", "--multiple 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  std::string steps = ReadFile(report);
  for (const char* line : {"frame 2 ", ": move", "frame 3 ", ": key", ": clock", "frame 30 ", ": quit"})
    EXPECT_NE(steps.find(line), std::string::npos) << line << "\n" << steps;
  EXPECT_NE(LogText().find("quillomer-lorvane-design, version 3.0.0.1."), std::string::npos) << LogText();
}

// The frame the display presented: the sample dialog's text on the cleared screen.
void ExpectDialogFrame(const std::string& png) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(png, pixels, width, height)) << png;
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  size_t lit = 0;
  for (uint32_t p : pixels) lit += (p & 0xFFFFFF) != 0;
  EXPECT_GT(lit, 500u);               // the dialog's lines of text
  EXPECT_LT(lit, pixels.size() / 4);  // on a screen cleared to black
}

TEST_F(ProgramTest, TheDisplayPresentsTheDialogsFrames) {
  TempFolder work;
  std::string script = work.File("script.txt"), report = work.File("report.txt"), png = work.File("frame.png");
  std::ofstream(script) << "frame 40 capture " << png << "\nframe 45 quit\n";
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", report.c_str(), 1);
  ToolResult r = RunTool("quillomer-lorvane", "--multiple 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(ReadFile(report).find("captured"), std::string::npos) << ReadFile(report) << LogText();
  ExpectDialogFrame(png);
}

// The same in a real window on a virtual X display, the frames written as they are presented.
TEST_F(ProgramTest, TheDisplayPresentsFramesInARealWindow) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  TempFolder work;
  std::string png = work.File("frame.png");
  std::string command = "env -u SDL_VIDEODRIVER ORVELLA_DX_CAPTURE=" + png +
                        " ORVELLA_HARNESS_QUIT_AFTER_IDLE=300 xvfb-run -a " + ToolPath("quillomer-lorvane") +
                        " --multiple > " + work.File("out.txt") + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(work.File("out.txt"));
  ExpectDialogFrame(png);
}

TEST_F(ProgramTest, AnInvalidHostWindowEndsTheProgramWithMinusOne) {
  ToolResult r = RunTool("quillomer-lorvane", "-wnd=1234abcd 2>&1");
  EXPECT_EQ(r.status, 255) << r.out;
}

LRESULT CALLBACK FirstProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

// This process plays the first instance: it holds the program's mutex and owns a window of its
// class, minimised. The program, started second, must bring that window forward and end with 0.
TEST_F(ProgramTest, ASecondInstanceBringsTheFirstForwardAndExits) {
  std::string program = ToolPath("quillomer-lorvane");
  char shortPath[4096];
  DWORD n = GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath);
  std::string base;
  for (char c : std::string(shortPath, n))
    if (c != '/' && c != '\\' && c != ':') base += (char)tolower((unsigned char)c);
  HANDLE mutex = CreateMutexA(nullptr, TRUE, (base + "_MUTEX").c_str());
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "another run holds the program's mutex";

  WNDCLASSA wc{};
  wc.lpfnWndProc = FirstProc;
  std::string className = base + "_WNDCLASS";
  wc.lpszClassName = className.c_str();
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND first = CreateWindowExA(0, className.c_str(), "first", 0xCE0000 | WS_VISIBLE, 0, 0, 480, 360, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(first, nullptr);
  ShowWindow(first, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(first));

  ToolResult r = RunTool("quillomer-lorvane", "2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  // The request waits in our channel until our pump runs.
  MSG msg;
  for (int i = 0; i < 500 && IsIconic(first); i++) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  EXPECT_FALSE(IsIconic(first));
  DestroyWindow(first);
  CloseHandle(mutex);
}

}  // namespace
