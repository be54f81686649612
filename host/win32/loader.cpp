// The Win32 loader's side of a plug-in session: the real loader loads kronilog.dll, runs its
// process-attach notification (which binds the host services from this module, WARNIK) and
// fails the load when that reports failure.
#include "host/system/loader.h"

#include <cstdlib>
#include <random>
#include <system_error>

#include <windows.h>

#include "host/win32/export_table.h"

namespace host {

std::filesystem::path MakeTemporaryFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path folder = base / ("kronilog-" + std::to_string(random() % 1000000000u));
    if (std::filesystem::create_directory(folder, error)) return folder;
  }
  return {};
}

std::string LastLoadError() {
  const DWORD code = GetLastError();
  char text[256] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ')) {
    text[--length] = '\0';
  }
  std::string reason = "error " + std::to_string(code);
  if (length > 0) reason += ": " + std::string(text, length);
  return reason;
}

std::filesystem::path DefaultPluginPath() {
  if (const char* path = std::getenv("KRONILOG_PLUGIN"); path != nullptr && *path != '\0') return path;
  // The plug-in is installed beside the host program.
  char own[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(win32::ThisModule(), own, sizeof own);
  if (length == 0 || length >= sizeof own) return "kronilog.dll";
  return std::filesystem::path(own).parent_path() / "kronilog.dll";
}

}  // namespace host
