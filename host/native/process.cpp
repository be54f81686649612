#include "host/system/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace host {

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ProcessAlive(unsigned long id) {
  return id != 0 && (kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH);
}

}  // namespace host
