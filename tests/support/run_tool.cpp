// Tool runner for tests.
#include "tests/support/run_tool.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

extern char** environ;

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

RunningTool::RunningTool(const std::string& tool, const std::string& args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::string command = "exec " + ToolPath(tool) + " " + args;
  char* argv[] = {(char*)"sh", (char*)"-c", command.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ) == 0) mPid = pid;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(pipeFds[1]);
  if (mPid > 0) {
    mFd = pipeFds[0];
  } else {
    close(pipeFds[0]);
  }
}

RunningTool::~RunningTool() {
  if (mPid > 0) {
    Kill();
    waitpid(mPid, nullptr, 0);
  }
  if (mFd >= 0) close(mFd);
}

void RunningTool::Kill() { kill(-mPid, SIGKILL); }

bool RunningTool::ReadSome(int timeoutMs) {
  if (mFd < 0) return false;
  pollfd p{mFd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  char buf[4096];
  ssize_t n = read(mFd, buf, sizeof buf);
  if (n <= 0) {
    close(mFd);
    mFd = -1;
    return false;
  }
  mOut.append(buf, (size_t)n);
  return true;
}

namespace {
int MsLeft(std::chrono::steady_clock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
  return left > 0 ? (int)left : 0;
}
}  // namespace

bool RunningTool::WaitForOutput(const std::string& text, int guardMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  while (mOut.find(text) == std::string::npos)
    if (!ReadSome(MsLeft(end))) return mOut.find(text) != std::string::npos;
  return true;
}

int RunningTool::Finish(int guardMs) {
  if (mPid <= 0) return -1;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  while (mFd >= 0 && ReadSome(MsLeft(end))) {
  }
  bool hung = mFd >= 0;  // the guard ran out before the output ended
  if (hung) Kill();
  int status = 0;
  waitpid(mPid, &status, 0);
  mPid = -1;
  return !hung && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
