// A child process under RLIMIT_FSIZE stands in for a full disk.
#include "tests/support/full_disk.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

bool InFullDiskChild(uint64_t limitBytes, const std::function<bool()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit r = {(rlim_t)limitBytes, (rlim_t)limitBytes};
    if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
