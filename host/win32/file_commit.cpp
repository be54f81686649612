// Temporary files and their commit on Win32: CREATE_NEW, FlushFileBuffers, and MoveFileEx,
// which replaces only when asked to (rename cannot replace on Windows). Windows renames over
// no file that any process has open, however it shares it: a replacement waits, for a bounded
// time, until the readers of the old file have let go.
#include "host/system/file_commit.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "host/system/process.h"
#include "host/win32/held_files.h"

namespace host {
namespace {

// A reader that keeps the file open longer makes the replacement fail, the old file kept.
constexpr int kHeldTargetWaitMilliseconds = 10000;

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return EIO;
  }
}

}  // namespace

std::FILE* CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path* name) {
  static unsigned counter = 0;
  const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  const std::string prefix = target.string() + ".tmp-" + std::to_string(CurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned value = GetTickCount() + ++counter * 40503u;
    std::string suffix(6, '0');
    for (char& c : suffix) {
      c = digits[value % 36];
      value /= 36;
    }
    const std::string candidate = prefix + suffix;
    HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      errno = ErrnoOf(GetLastError());
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_BINARY);
    std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (stream == nullptr) {
      if (fd >= 0) _close(fd);
      else CloseHandle(file);
      DeleteFileA(candidate.c_str());
      errno = EIO;
      return nullptr;
    }
    *name = candidate;
    return stream;
  }
  errno = EEXIST;
  return nullptr;
}

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
    errno = ErrnoOf(GetLastError());
    return false;
  }
  return true;
}

bool CommitTemporary(const std::filesystem::path& temporary, const std::filesystem::path& target,
                     bool replace) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  win32::PatientWait wait(kHeldTargetWaitMilliseconds);
  for (;;) {
    if (MoveFileExA(temporary.string().c_str(), target.string().c_str(), flags)) return true;
    const DWORD error = GetLastError();
    // A read-only file is refused for good, not held.
    const DWORD attributes = GetFileAttributesA(target.string().c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!replace || readOnly || !win32::HeldByAnother(error) || !wait.Again()) {
      errno = ErrnoOf(error);
      return false;
    }
  }
}

}  // namespace host
