// Tool runner for tests.
#include "tests/support/run_tool.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

std::string ToolPath(const std::string& name) {
  const char* bin = std::getenv("ORVELLA_BIN_DIR");
  return std::string(bin && *bin ? bin : ".") + "/" + name;
}

ToolResult RunTool(const std::string& tool, const std::string& args) {
  ToolResult r;
  FILE* p = popen((ToolPath(tool) + " " + args + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}
