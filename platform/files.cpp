// CreateFileA, CloseHandle and MoveFileExA for builds that are not Windows, with Windows'
// error codes: what the plug-in uses them for. CreateFileA creates a file exclusively to claim
// its name (CREATE_NEW), or opens one for good (OPEN_ALWAYS); a share mode of 0 keeps every
// other opener out for as long as the handle is open, as on Windows, and the process's end
// releases it whatever way it ends. MoveFileExA renames, replacing the target when asked.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
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
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    default: return ERROR_GEN_FAILURE;
  }
}

std::string NativePath(LPCSTR path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

}  // namespace

extern "C" {

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPVOID, DWORD creationDisposition,
                   DWORD, HANDLE) {
  if (path == nullptr || (creationDisposition != CREATE_NEW && creationDisposition != OPEN_ALWAYS) ||
      (access & (GENERIC_READ | GENERIC_WRITE)) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const int mode = (access & GENERIC_WRITE) == 0 ? O_RDONLY : (access & GENERIC_READ) == 0 ? O_WRONLY : O_RDWR;
  const int flags = mode | O_CREAT | O_CLOEXEC | (creationDisposition == CREATE_NEW ? O_EXCL : 0);
  const int descriptor = open(NativePath(path).c_str(), flags, 0666);
  if (descriptor < 0) {
    SetLastError(WindowsError(errno));
    return INVALID_HANDLE_VALUE;
  }
  // Sharing nothing: a lock on the open file, which the system drops with the descriptor.
  if (shareMode == 0 && flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(descriptor);
    SetLastError(WindowsError(error));
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

BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
  if (existingName == nullptr || newName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string from = NativePath(existingName);
  const std::string to = NativePath(newName);
  if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && access(to.c_str(), F_OK) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    SetLastError(WindowsError(errno));
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
