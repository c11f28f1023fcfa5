// Runs the program under the test harness: a script of steps played on the manual clock, and the
// report of the steps as they were played.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

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
