#include "tests/support/processes.h"

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

bool EachInAProcessOfItsOwn(int count, const std::function<bool(int)>& work) {
  std::vector<pid_t> children;
  bool all = true;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    if (pid < 0) {
      all = false;
      break;
    }
    if (pid == 0) _exit(work(i) ? 0 : 1);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    all = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && all;
  }
  return all;
}
