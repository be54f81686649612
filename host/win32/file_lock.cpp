// The update lock with LockFileEx on "<file>.lock", opened with every kind of sharing. Its
// holder deletes the lock file before it gives the lock back; a waiter that then gets the
// lock checks that the name still leads to the file it locked (a deleted file keeps its name
// until its last handle is closed, and opening it meanwhile is refused), and otherwise starts
// again, so that only one holder at a time ever goes on.
#include "host/system/file_lock.h"

#include <windows.h>

#include "host/win32/held_files.h"

namespace host {
namespace {

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool StillNamed(HANDLE file, const std::filesystem::path& path) {
  HANDLE named = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  const bool same = SameFile(file, named);
  CloseHandle(named);
  return same;
}

// A refused open of a name that exists is a lock file being deleted: worth waiting for.
bool BeingDeleted(const std::filesystem::path& path) {
  return GetLastError() == ERROR_ACCESS_DENIED &&
         (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || GetLastError() == ERROR_ACCESS_DENIED);
}

}  // namespace

FileUpdateLock::FileUpdateLock(const std::filesystem::path& file, int waitMilliseconds)
    : lockFile_(file.string() + ".lock") {
  win32::PatientWait wait(waitMilliseconds);
  for (;;) {
    HANDLE lock = CreateFileW(lockFile_.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (BeingDeleted(lockFile_) && wait.Again()) continue;
      problem_ = "cannot make the lock file " + lockFile_.string() + ": " + win32::SystemErrorText(error);
      return;
    }
    OVERLAPPED whole{};
    if (LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
      if (StillNamed(lock, lockFile_)) {
        handle_ = static_cast<long>(reinterpret_cast<std::intptr_t>(lock));
        return;
      }
      UnlockFileEx(lock, 0, 1, 0, &whole);
      CloseHandle(lock);
      continue;
    }
    const DWORD error = GetLastError();
    CloseHandle(lock);
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
      problem_ = "cannot lock " + lockFile_.string() + ": " + win32::SystemErrorText(error);
      return;
    }
    if (!wait.Again()) {
      problem_ = "another process has held " + lockFile_.string() + " for " +
                 std::to_string(waitMilliseconds / 1000) + " s";
      return;
    }
  }
}

FileUpdateLock::~FileUpdateLock() {
  if (handle_ == kNone) return;
  HANDLE lock = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_));
  DeleteFileW(lockFile_.c_str());
  OVERLAPPED whole{};
  UnlockFileEx(lock, 0, 1, 0, &whole);
  CloseHandle(lock);
}

}  // namespace host
