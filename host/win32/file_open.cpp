// Opening the host's files on Win32: what the path names is looked at before it is opened (a
// folder cannot be opened as a file here, and the devices' names are the system's own). A file
// read whole is opened sharing everything, deletion included, so that a writer may replace it
// meanwhile; an open refused because another process holds the file (a writer holds the new
// settings file unshared for deletion while it renames it) is tried again for a while.
#include "host/system/file_open.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "host/win32/held_files.h"

namespace host {
namespace {

// Longer than any writer's rename; a program keeping the file to itself longer is a fault
// the reader reports.
constexpr int kHeldFileWaitMilliseconds = 5000;

// What an existing path that is not a regular file is, in words; empty for a regular file or
// a path that names nothing (yet).
std::string NotARegularFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return {};
  if (std::filesystem::is_directory(status)) return "is a folder, not a file";
  return "is not a regular file";
}

}  // namespace

ReadableFile OpenRegularFile(const std::filesystem::path& path) {
  ReadableFile result;
  result.problem = NotARegularFile(path);
  if (!result.problem.empty()) return result;
  win32::PatientWait wait(kHeldFileWaitMilliseconds);
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  do {
    file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  } while (win32::HeldByAnother(error) && wait.Again());
  if (file == INVALID_HANDLE_VALUE) {
    result.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    result.problem = "cannot be opened: " + win32::SystemErrorText(error);
    if (win32::HeldByAnother(error)) {
      result.problem += " (another program kept it for " + std::to_string(wait.seconds()) + " s)";
    }
    return result;
  }
  LARGE_INTEGER size{};
  result.size = GetFileSizeEx(file, &size) ? static_cast<std::uintmax_t>(size.QuadPart) : 0;
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | _O_BINARY);
  result.file = fd >= 0 ? _fdopen(fd, "rb") : nullptr;
  if (result.file == nullptr) {
    const int failure = errno;
    if (fd >= 0) _close(fd);
    else CloseHandle(file);
    result.problem = std::string("cannot be opened: ") + std::strerror(failure);
  }
  return result;
}

std::FILE* OpenServiceFile(const std::filesystem::path& path, const std::string& mode) {
  const std::string problem = NotARegularFile(path);
  if (!problem.empty()) {
    errno = problem.starts_with("is a folder") ? EISDIR : EINVAL;
    return nullptr;
  }
  return std::fopen(path.string().c_str(), mode.c_str());
}

}  // namespace host
