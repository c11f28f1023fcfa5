// Runs one of the project's command-line tools, built beside the test programs, and collects
// its exit status and everything it printed.
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
