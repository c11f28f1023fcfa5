// Runs the program under the test harness: a script of steps played on the manual clock, and the
// report of the steps as they were played; and the check of the sample dialog's frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"

#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

struct HarnessRun {
  ToolResult result;
  std::string report;  // one line a step played
};

// steps: the script's lines; clock: "start[:step]" of ORVELLA_HARNESS_MANUAL_CLOCK.
inline HarnessRun RunWithHarness(const std::string& steps, const std::string& args,
                                 const std::string& clock = "5000:20") {
  TempFolder work;
  std::string script = work.File("script.txt"), report = work.File("report.txt");
  std::ofstream(script) << steps;
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  setenv("ORVELLA_HARNESS_REPORT", report.c_str(), 1);
  setenv("ORVELLA_HARNESS_MANUAL_CLOCK", clock.c_str(), 1);
  HarnessRun run;
  run.result = RunTool("quillomer-lorvane", args);
  unsetenv("ORVELLA_HARNESS_SCRIPT");
  unsetenv("ORVELLA_HARNESS_REPORT");
  unsetenv("ORVELLA_HARNESS_MANUAL_CLOCK");
  run.report = ReadHostFile(report);
  return run;
}

// The frame the display presented: the sample dialog's text on the cleared screen.
inline void ExpectDialogFrame(const std::string& png) {
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
