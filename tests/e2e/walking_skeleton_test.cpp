// End to end: the walking skeleton runs as a real headless process under our test harness.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

extern char** environ;

namespace {

struct SkeletonRun {
  int exitCode = -1;
  std::string out;
};

// Starts the skeleton (built beside this test) with extra environment and collects its output.
SkeletonRun RunSkeleton(const std::vector<std::string>& env, const std::vector<std::string>& args = {}) {
  char self[4096];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string program = std::string(self, n);
  program = program.substr(0, program.rfind('/') + 1) + "walking-skeleton";
  // The first of two equal names wins: the case's own settings come first.
  std::vector<std::string> envs = env;
  envs.push_back("SDL_VIDEODRIVER=dummy");
  envs.push_back("ORVELLA_SKELETON_MAX_TURNS=100000");  // a broken close fails instead of hanging
  for (char** e = environ; *e; e++) envs.push_back(*e);
  std::vector<char*> envp, argv{program.data()};
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argsCopy = args;
  for (auto& a : argsCopy) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid;
  SkeletonRun run;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  EXPECT_EQ(rc, 0) << program;
  if (rc != 0) return run;
  char buf[4096];
  ssize_t got;
  while ((got = read(fds[0], buf, sizeof buf)) > 0) run.out.append(buf, (size_t)got);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

unsigned long Turns(const std::string& out) {
  unsigned long turns = 0;
  size_t at = out.rfind("walking-skeleton: ");
  if (at != std::string::npos) std::sscanf(out.c_str() + at, "walking-skeleton: %lu turns", &turns);
  return turns;
}

TEST(WalkingSkeletonTest, HarnessClosesTheWindowAndTheProgramEndsCleanly) {
  SkeletonRun run = RunSkeleton({"ORVELLA_HARNESS_QUIT_AFTER_IDLE=5"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  // Five idle turns, then the close, destroy and quit: a handful of turns more, never hundreds.
  unsigned long turns = Turns(run.out);
  EXPECT_GE(turns, 5u) << run.out;
  EXPECT_LE(turns, 50u) << run.out;
}

TEST(WalkingSkeletonTest, HarnessReplacesTheCommandLine) {
  SkeletonRun run = RunSkeleton({"ORVELLA_HARNESS_QUIT_AFTER_IDLE=1", "ORVELLA_HARNESS_COMMAND_LINE=--multiple -wd=x"},
                        {"-original"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("command line \"--multiple -wd=x\""), std::string::npos) << run.out;
}

TEST(WalkingSkeletonTest, WithoutAQuitRequestTheLoopRunsOn) {
  SkeletonRun run = RunSkeleton({"ORVELLA_SKELETON_MAX_TURNS=200"}, {"-original"});
  EXPECT_EQ(run.exitCode, 2);  // ended by the cap: nothing else closes it
  EXPECT_NE(run.out.find("command line \"-original\""), std::string::npos) << run.out;
}

}  // namespace
