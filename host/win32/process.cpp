#include "host/system/process.h"

#include <windows.h>

namespace host {

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessAlive(unsigned long id) {
  if (id == 0) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace host
