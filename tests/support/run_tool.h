// Runs one of the project's command-line tools, built beside the test programs, and collects
// its exit status and everything it printed; or starts one beside the test and reads what it
// prints as it goes, for tests that act between its steps.
#pragma once

#include <string>

struct ToolResult {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string out;  // standard output and standard error together
};

// The path of a built program of the project (ORVELLA_BIN_DIR, set by the test entry).
std::string ToolPath(const std::string& name);

// Runs "tool args" through the shell; args are passed as written.
ToolResult RunTool(const std::string& tool, const std::string& args);

// A tool running beside the test, through the shell as RunTool, in a process group of its own.
// Reads block until the tool writes; the guard (real time) only ends a tool that hangs, so
// that a failing test reports instead of running into the test's time-out.
class RunningTool {
 public:
  RunningTool(const std::string& tool, const std::string& args);
  ~RunningTool();  // kills the tool if it still runs
  RunningTool(const RunningTool&) = delete;
  RunningTool& operator=(const RunningTool&) = delete;

  // Reads until the output holds `text`: false when the tool ends its output first or the
  // guard runs out.
  bool WaitForOutput(const std::string& text, int guardMs = 60000);
  // Reads to the end and waits for the tool: its exit status, -1 when it did not exit normally
  // or was killed at the guard.
  int Finish(int guardMs = 60000);
  // Everything it printed so far, standard output and standard error together.
  const std::string& Out() const { return mOut; }

 private:
  bool ReadSome(int timeoutMs);  // false at the end of the output or on time-out
  void Kill();

  int mPid = -1;
  int mFd = -1;
  std::string mOut;
};
