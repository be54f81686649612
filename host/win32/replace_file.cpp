// Write beside, flush, then MoveFileEx over the old file (rename cannot replace on Windows).
#include "host/win32/replace_file.h"

#include <windows.h>

#include <cerrno>

namespace host::win32 {
namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return EIO;
  }
}

// A new, not yet existing temporary file; INVALID_HANDLE_VALUE when none could be made.
HANDLE CreateTemporary(const std::string& prefix, std::string* name) {
  static unsigned counter = 0;
  const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned value = GetCurrentProcessId() * 2654435761u + GetTickCount() + ++counter * 40503u;
    std::string suffix(6, '0');
    for (char& c : suffix) {
      c = digits[value % 36];
      value /= 36;
    }
    *name = prefix + suffix;
    HANDLE file = CreateFileA(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool ReplaceFileContent(const std::filesystem::path& target, const std::string& content, long writeLimit) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string name;
  HANDLE file = CreateTemporary((folder / (target.filename().string() + ".tmp-")).string(), &name);
  if (file == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return false;
  }
  std::size_t limit = content.size();
  const bool cut = writeLimit >= 0 && static_cast<std::size_t>(writeLimit) < limit;
  if (cut) limit = static_cast<std::size_t>(writeLimit);
  int failure = 0;
  std::size_t done = 0;
  while (failure == 0 && done < limit) {
    DWORD written = 0;
    if (!WriteFile(file, content.data() + done, static_cast<DWORD>(limit - done), &written, nullptr) ||
        written == 0) {
      failure = ErrnoOf(GetLastError());
    }
    done += written;
  }
  if (failure == 0 && cut) failure = ENOSPC;
  if (failure == 0 && !FlushFileBuffers(file)) failure = ErrnoOf(GetLastError());
  if (!CloseHandle(file) && failure == 0) failure = ErrnoOf(GetLastError());
  if (failure == 0 &&
      !MoveFileExA(name.c_str(), target.string().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = ErrnoOf(GetLastError());
  }
  if (failure != 0) {
    DeleteFileA(name.c_str());
    errno = failure;
    return false;
  }
  return true;
}

}  // namespace host::win32
