// End to end: the widget dialog of the sample assets in the program, driven through the test
// harness on the manual clock. Its frames as the display presented them are compared with golden
// pictures: as it opens, and after typing, pressing, toggling, choosing and dragging.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/harness_run.h"
#include "tests/support/golden.h"
#include "tests/support/temp_folder.h"

namespace {

// The dialog's panel: 560 x 420, centred on the 800 x 600 screen.
constexpr int kLeft = 120, kTop = 90, kWidth = 560, kHeight = 420;

// Where the steps leave the pointer. The game's pointer (32 x 32, hot spot 1, 1) is drawn by the
// display over the windows; where a frame with it is compared with one without, its square is
// blanked out of both.
constexpr int kPointerX = 202, kPointerY = 152;

// The panel out of a captured frame, alpha set; the pointer's square black when it is there.
std::vector<uint32_t> Panel(const std::string& capture, bool pointer) {
  std::vector<uint32_t> frame, panel;
  int width = 0, height = 0;
  EXPECT_TRUE(TestControl::Display::ReadPng(capture, frame, width, height)) << capture;
  if (width != 800 || height != 600) return std::vector<uint32_t>((size_t)kWidth * kHeight);
  for (int y = kTop; y < kTop + kHeight; y++)
    for (int x = kLeft; x < kLeft + kWidth; x++) {
      bool covered = pointer && x >= kPointerX - 1 && x < kPointerX + 31 && y >= kPointerY - 1 && y < kPointerY + 31;
      panel.push_back(covered ? 0xFF000000u : frame[(size_t)y * width + x] | 0xFF000000u);
    }
  return panel;
}

uint32_t At(const std::vector<uint32_t>& panel, int x, int y) { return panel[(size_t)y * kWidth + x] & 0xFFFFFFu; }

TEST(WidgetDialogTest, EveryWidgetDrawsAndAnswersTheMouseAndKeys) {
  TempFolder work;
  // Every press comes after a move onto its window, as a hand would make it: a window that keeps
  // the mouse while the pointer is over it lets go only when the pointer leaves it.
  std::string steps;
  steps = steps + "frame 20 capture " + work.File("opened.png") + "\n" +
          "frame 32 text Ada <b>\n" +
          "frame 33 move 150 150\nframe 34 button left down 150 150\nframe 35 button left up 150 150\n" +  // push
          "frame 36 move 150 200\nframe 37 button left down 150 200\nframe 38 button left up 150 200\n" +  // toggle
          "frame 39 move 150 270\nframe 40 button left down 150 270\nframe 41 button left up 150 270\n" +  // radio 2
          "frame 42 move 384 310\nframe 43 button left down 384 310\n" +  // the slider's thumb, past the end
          "frame 44 move 420 310\nframe 45 move 700 310\nframe 46 move 480 310\nframe 47 button left up 480 310\n" +
          "frame 49 move 200 150\nframe 50 move " + std::to_string(kPointerX) + " " + std::to_string(kPointerY) +
          "\n" +  // off the slider, over "Push"
          "frame 60 capture " + work.File("used.png") + "\n" +
          "frame 62 key 27 down\nframe 63 key 27 up\n" +
          "frame 100 capture " + work.File("reopened.png") + "\n" + "frame 102 quit\n";
  HarnessRun run = RunWithHarness(steps, "--multiple options=sampledialog=widgets 2>&1");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  ASSERT_EQ(run.report.find("no frame"), std::string::npos) << run.report;
  std::vector<uint32_t> opened = Panel(work.File("opened.png"), false),
                        used = Panel(work.File("used.png"), false);
  // What the goldens must show, read directly: "Push" in its normal look, then in its rollover
  // look under the pointer; the toggle's green mark, gone once it was clicked.
  EXPECT_EQ(At(opened, 25, 55), 0x2a4a7au);
  EXPECT_EQ(At(used, 25, 55), 0x3a6aaau);
  EXPECT_EQ(At(opened, 32, 112), 0x40c060u);
  EXPECT_EQ(At(used, 32, 112), 0x202830u);
  ExpectGolden(opened, kWidth, kHeight, "tests/e2e/golden/widget_dialog_opened.png");
  ExpectGolden(used, kWidth, kHeight, "tests/e2e/golden/widget_dialog_used.png");
  // Escape pressed the cancel button; the dialog opened again as it was at first.
  EXPECT_TRUE(Panel(work.File("reopened.png"), true) == Panel(work.File("opened.png"), true));
}

}  // namespace
