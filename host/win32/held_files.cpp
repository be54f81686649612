#include "host/win32/held_files.h"

#include <algorithm>
#include <thread>

namespace host::win32 {

bool HeldByAnother(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

PatientWait::PatientWait(int milliseconds)
    : milliseconds_(milliseconds),
      deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)) {}

bool PatientWait::Again() {
  if (std::chrono::steady_clock::now() >= deadline_) return false;
  std::this_thread::sleep_for(pause_);
  pause_ = std::min(pause_ * 2, std::chrono::milliseconds(16));
  return true;
}

std::string SystemErrorText(DWORD error) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                 sizeof text, nullptr);
  std::string words = text;
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) words.pop_back();
  return words.empty() ? "error " + std::to_string(error) : words;
}

}  // namespace host::win32
