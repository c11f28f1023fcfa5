// End to end: the widget dialog of the sample assets in the program, driven through the test
// harness on the manual clock. Its frames as the display presented them are compared with golden
// pictures (looked at by eye when they were made; ORVELLA_UPDATE_GOLDEN=1 writes them anew):
// as it opens, and after typing, pressing, toggling, choosing and dragging.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

// The dialog's panel: 560 x 420, centred on the 800 x 600 screen.
constexpr int kLeft = 120, kTop = 90, kWidth = 560, kHeight = 420;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// With update set (and ORVELLA_UPDATE_GOLDEN in the environment) the capture becomes the golden.
// A pixel of a captured frame, in the panel's coordinates, without alpha.
uint32_t PanelPixel(const std::string& capture, int x, int y) {
  std::vector<uint32_t> frame;
  int width = 0, height = 0;
  if (!TestControl::Display::ReadPng(capture, frame, width, height) || width != 800) return 0xDEADBEEF;
  return frame[(size_t)(kTop + y) * width + kLeft + x] & 0xFFFFFFu;
}

void ExpectGolden(const std::string& capture, const std::string& name, bool update = true) {
  std::vector<uint32_t> frame;
  int width = 0, height = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(capture, frame, width, height)) << capture;
  ASSERT_EQ(width, 800);
  ASSERT_EQ(height, 600);
  std::vector<uint32_t> crop;
  for (int y = kTop; y < kTop + kHeight; y++)
    for (int x = kLeft; x < kLeft + kWidth; x++) crop.push_back(frame[(size_t)y * width + x] | 0xFF000000u);
  std::string path = std::string(getenv("ORVELLA_SOURCE_DIR")) + "/tests/e2e/golden/" + name + ".png";
  if (update && getenv("ORVELLA_UPDATE_GOLDEN")) {
    ASSERT_TRUE(TestControl::Display::WritePng(path, crop.data(), kWidth, kHeight, kWidth));
    return;
  }
  std::vector<uint32_t> golden;
  int gw = 0, gh = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(path, golden, gw, gh)) << path;
  ASSERT_EQ(gw, kWidth);
  ASSERT_EQ(gh, kHeight);
  int bad = 0;
  for (size_t i = 0; i < crop.size(); i++)
    if (crop[i] != golden[i] && bad++ < 5)
      ADD_FAILURE() << capture << " against " << name << ": pixel (" << i % kWidth << ", " << i / kWidth << ") is " << std::hex << crop[i]
                    << ", golden " << golden[i];
  EXPECT_EQ(bad, 0) << name;
}

TEST(WidgetDialogTest, EveryWidgetDrawsAndAnswersTheMouseAndKeys) {
  TempFolder work;
  std::string script = work.File("script.txt"), report = work.File("report.txt");
  // Every press comes after a move onto its window, as a hand would make: a window that keeps
  // the mouse while the pointer is over it lets go only when the pointer leaves it.
  std::ofstream(script) << "frame 20 capture " << work.File("opened.png") << "\n"
                        << "frame 32 text Ada <b>\n"
                        << "frame 33 move 150 150\nframe 34 button left down 150 150\n"  // push
                        << "frame 35 button left up 150 150\n"
                        << "frame 36 move 150 200\nframe 37 button left down 150 200\n"  // toggle off
                        << "frame 38 button left up 150 200\n"
                        << "frame 39 move 150 270\nframe 40 button left down 150 270\n"  // second radio
                        << "frame 41 button left up 150 270\n"
                        << "frame 42 move 384 310\nframe 43 button left down 384 310\n"  // the thumb
                        << "frame 44 move 420 310\nframe 45 move 700 310\nframe 46 move 480 310\n"
                        << "frame 47 button left up 480 310\n"
                        << "frame 49 move 200 150\nframe 50 move 202 152\n"  // off the slider, over "Push"
                        << "frame 60 capture " << work.File("used.png") << "\n"
                        << "frame 62 key 27 down\nframe 63 key 27 up\n"
                        << "frame 100 capture " << work.File("reopened.png") << "\n"
                        << "frame 102 quit\n";
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", report.c_str(), 1);
  setenv("ORVELLA_HARNESS_MANUAL_CLOCK", "5000:20", 1);
  ToolResult r = RunTool("quillomer-lorvane", "--multiple options=sampledialog=widgets 2>&1");
  unsetenv("ORVELLA_HARNESS_SCRIPT");
  unsetenv("ORVELLA_HARNESS_REPORT");
  unsetenv("ORVELLA_HARNESS_MANUAL_CLOCK");
  ASSERT_EQ(r.status, 0) << r.out;
  std::string steps = ReadAll(report);
  ASSERT_EQ(steps.find("no frame"), std::string::npos) << steps;
  // What the goldens must show, read directly: "Push" in its normal look, then in its rollover
  // look under the pointer; the toggle's green mark, gone once it was clicked.
  EXPECT_EQ(PanelPixel(work.File("opened.png"), 25, 55), 0x2a4a7au);
  EXPECT_EQ(PanelPixel(work.File("used.png"), 25, 55), 0x3a6aaau);
  EXPECT_EQ(PanelPixel(work.File("opened.png"), 32, 112), 0x40c060u);
  EXPECT_EQ(PanelPixel(work.File("used.png"), 32, 112), 0x202830u);
  ExpectGolden(work.File("opened.png"), "widget_dialog_opened");
  ExpectGolden(work.File("used.png"), "widget_dialog_used");
  // Escape pressed the cancel button; the dialog opened again as it was at first.
  ExpectGolden(work.File("reopened.png"), "widget_dialog_opened", false);
}

}  // namespace
