// MessageBoxA, wsprintfA, lstrcpyA, Sleep and folder creation for builds that are not Windows.
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/module_registry.h"

namespace {
MessageBoxHandler messageBoxHandler;
SleepHandler sleepHandler;

// wsprintfA never writes more than 1024 bytes, its terminating zero included.
constexpr std::size_t kWsprintfLimit = 1024;
}  // namespace

extern "C" {

void PlatformSetMessageBoxHandler(MessageBoxHandler handler) { messageBoxHandler = handler; }
void PlatformSetSleepHandler(SleepHandler handler) { sleepHandler = handler; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (messageBoxHandler != nullptr) return messageBoxHandler(owner, text, caption, type);
  std::fprintf(stderr, "[%s]\n%s\n", caption ? caption : "", text ? text : "");
  return (type & 0x0F) == MB_ABORTRETRYIGNORE ? IDABORT : IDOK;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list values;
  va_start(values, format);
  int written = std::vsnprintf(buffer, kWsprintfLimit, format, values);
  va_end(values);
  if (written < 0) return 0;
  return written < static_cast<int>(kWsprintfLimit) ? written : static_cast<int>(kWsprintfLimit) - 1;
}

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strcpy(destination, source);
}

void Sleep(DWORD milliseconds) {
  if (sleepHandler != nullptr) {
    sleepHandler(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

BOOL CreateDirectoryA(LPCSTR path, LPVOID) {
  if (path == nullptr) return FALSE;
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return mkdir(native.c_str(), 0777) == 0 ? TRUE : FALSE;
}

}  // extern "C"
