// The child tells the parent it is ready through a pipe and goes on; the parent kills it at once.
#include "tests/support/killed_child.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

bool KillChildAtReady(const std::function<void(const std::function<void()>& ready)>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  pid_t pid = fork();
  if (pid == 0) {
    close(pipeEnds[0]);
    body([&] {
      char byte = 1;
      if (write(pipeEnds[1], &byte, 1) != 1) _exit(3);
    });
    _exit(0);
  }
  close(pipeEnds[1]);
  char byte;
  bool ready = pid > 0 && read(pipeEnds[0], &byte, 1) == 1;
  if (ready) kill(pid, SIGKILL);
  close(pipeEnds[0]);
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  return ready && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}
