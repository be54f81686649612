// Lock files on Win32: the file opened with no sharing, so that no other session can open it
// while it is held, and deleted by the system when its handle is closed (also when the
// session is killed).
#include "host/system/instance_lock.h"

#include <windows.h>

namespace host {

long TryLockFile(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  return static_cast<long>(reinterpret_cast<std::intptr_t>(file));
}

void UnlockFile(long handle, const std::filesystem::path&) {
  if (handle < 0) return;
  CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle)));
}

}  // namespace host
