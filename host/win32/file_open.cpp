// Opening the host's files on Win32: what the path names is looked at before it is opened (a
// folder cannot be opened as a file here, and the devices' names are the system's own).
#include "host/system/file_open.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace host {
namespace {

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
  result.file = _wfopen(path.c_str(), L"rb");
  if (result.file == nullptr) {
    result.missing = errno == ENOENT;
    result.problem = std::string("cannot be opened: ") + std::strerror(errno);
    return result;
  }
  std::error_code error;
  result.size = std::filesystem::file_size(path, error);
  if (error) result.size = 0;
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
