// Files another process holds. Windows refuses to open a file in a way its other handles do not
// share, and refuses to rename over a file that any handle has open; a writer replacing the
// settings file holds the new one, unshared for deletion, while it renames it. Such a refusal
// ends when the other process lets go, and is waited out for a bounded time.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace host::win32 {

// True for the errors a file held by another process gives: a sharing or lock violation, or
// access denied (a rename over an open file, an open of a file being deleted).
bool HeldByAnother(DWORD error);

// Pauses of growing length (1 ms, doubled up to 16 ms) until a deadline.
class PatientWait {
 public:
  explicit PatientWait(int milliseconds);
  // Pauses and returns true, or returns false at once when the time is up.
  bool Again();
  int seconds() const { return milliseconds_ / 1000; }

 private:
  int milliseconds_;
  std::chrono::steady_clock::time_point deadline_;
  std::chrono::milliseconds pause_{1};
};

// The system's words for an error, without the full stop and line end.
std::string SystemErrorText(DWORD error);

}  // namespace host::win32
