// End to end: the sample dialog the program shows, driven by scripted input through the test
// harness on the manual clock: a key and a click each change its counter line, Escape closes it
// and it opens again; the frames the display presented show each step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/harness_run.h"
#include "tests/support/temp_folder.h"

namespace {

struct Frame {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  // Lit pixels in rows [top, bottom).
  int Lit(int top, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; y++)
      for (int x = 0; x < width; x++) n += (pixels[(size_t)y * width + x] & 0xFFFFFF) != 0;
    return n;
  }
  bool SameRows(const Frame& o, int top, int bottom) const {
    for (int y = top; y < bottom; y++)
      for (int x = 0; x < width; x++)
        if ((pixels[(size_t)y * width + x] & 0xFFFFFF) != (o.pixels[(size_t)y * width + x] & 0xFFFFFF)) return false;
    return true;
  }
};

Frame Load(const std::string& png) {
  Frame f;
  EXPECT_TRUE(TestControl::Display::ReadPng(png, f.pixels, f.width, f.height)) << png;
  EXPECT_EQ(f.width, 800);
  EXPECT_EQ(f.height, 600);
  return f;
}

TEST(SampleDialogTest, KeysAndClicksCountAndEscapeOpensTheDialogAgain) {
  TempFolder work;
  std::string steps;
  // The pointer waits in the bottom right corner, away from the rows the test reads.
  steps = steps + "frame 1 move 790 590\n" + "frame 20 capture " + work.File("before.png") + "\n" +
          "frame 22 key 65 down\nframe 23 key 65 up\n" +
          "frame 40 capture " + work.File("key.png") + "\n" +
          "frame 42 button left down 10 10\nframe 43 button left up 10 10\nframe 44 move 790 590\n" +
          "frame 60 capture " +
          work.File("click.png") + "\n" + "frame 62 key 27 down\nframe 63 key 27 up\n" + "frame 80 capture " +
          work.File("reopened.png") + "\n" + "frame 82 quit\n";
  HarnessRun run = RunWithHarness(steps, "--multiple options=sampledialog=sample 2>&1");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  ASSERT_EQ(run.report.find("no frame"), std::string::npos) << run.report;

  // The dialog is centred: its title at rows 220-256, its counter at rows 330-354.
  const int titleTop = 220, titleBottom = 256, countTop = 330, countBottom = 354;
  Frame before = Load(work.File("before.png")), key = Load(work.File("key.png")),
        click = Load(work.File("click.png")), reopened = Load(work.File("reopened.png"));
  for (const Frame* f : {&before, &key, &click, &reopened}) {
    EXPECT_GT(f->Lit(titleTop, titleBottom), 50);
    EXPECT_GT(f->Lit(countTop, countBottom), 100);
    EXPECT_TRUE(f->SameRows(before, titleTop, titleBottom));
    EXPECT_EQ(f->Lit(0, 150), 0);  // cleared above the dialog
  }
  EXPECT_FALSE(key.SameRows(before, countTop, countBottom));      // "Pressed 1 times (raw:A)."
  EXPECT_FALSE(click.SameRows(key, countTop, countBottom));       // "Pressed 2 times (mouse:up)."
  EXPECT_FALSE(reopened.SameRows(click, countTop, countBottom));  // "Opened 2 times, ..."
  EXPECT_FALSE(reopened.SameRows(before, countTop, countBottom));
}

}  // namespace
