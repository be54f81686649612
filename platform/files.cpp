// CreateFileA and CloseHandle for builds that are not Windows: what the plug-in uses them for,
// creating a file exclusively to claim its name (CREATE_NEW), with Windows' error codes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace {

DWORD WindowsError(int error) {
  switch (error) {
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOENT: return ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: return ERROR_ACCESS_DENIED;
    case EPERM: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_ACCESS_DENIED;
    case EISDIR: return ERROR_ACCESS_DENIED;
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace

extern "C" {

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPVOID, DWORD creationDisposition, DWORD,
                   HANDLE) {
  if (path == nullptr || creationDisposition != CREATE_NEW || (access & GENERIC_WRITE) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  const int descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    SetLastError(WindowsError(errno));
    return INVALID_HANDLE_VALUE;
  }
  // The descriptor travels in the handle; 0 is a valid descriptor, so it is offset by one.
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(descriptor) + 1);
}

BOOL CloseHandle(HANDLE handle) {
  const auto value = reinterpret_cast<std::intptr_t>(handle);
  if (handle == INVALID_HANDLE_VALUE || value <= 0) return FALSE;
  return close(static_cast<int>(value - 1)) == 0 ? TRUE : FALSE;
}

}  // extern "C"
