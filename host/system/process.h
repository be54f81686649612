// Processes, as the host's temporary files name them.
#pragma once

namespace host {

unsigned long CurrentProcessId();

// False only when no process of that id runs (a file it left behind is stale).
bool ProcessAlive(unsigned long id);

}  // namespace host
