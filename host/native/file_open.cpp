// Opening the host's files on POSIX: open with O_NONBLOCK, so that a named pipe never blocks
// the open, then fstat says what was opened before anything is read from it; O_NOFOLLOW for
// every mode that writes.
#include "host/system/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace host {
namespace {

// What a file that is not a regular one is, in words; empty for a regular file.
std::string NotARegularFile(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return {};
  if (S_ISDIR(status.st_mode)) return "is a folder, not a file";
  if (S_ISFIFO(status.st_mode)) return "is a named pipe (FIFO), not a regular file";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "is a device, not a regular file";
  if (S_ISSOCK(status.st_mode)) return "is a socket, not a regular file";
  return "is not a regular file";
}

// The descriptor made blocking again and wrapped in a C library file; closed on failure.
std::FILE* AsFile(int fd, const char* mode) {
  const int flags = ::fcntl(fd, F_GETFL);
  std::FILE* file = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? ::fdopen(fd, mode) : nullptr;
  if (file == nullptr) {
    const int failure = errno;
    ::close(fd);
    errno = failure;
  }
  return file;
}

}  // namespace

ReadableFile OpenRegularFile(const std::filesystem::path& path) {
  ReadableFile result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    result.missing = errno == ENOENT;
    result.problem = std::string("cannot be opened: ") + std::strerror(errno);
    return result;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    result.problem = std::string("cannot be looked at: ") + std::strerror(errno);
    ::close(fd);
    return result;
  }
  result.problem = NotARegularFile(status);
  if (!result.problem.empty()) {
    ::close(fd);
    return result;
  }
  result.file = AsFile(fd, "rb");
  if (result.file == nullptr) result.problem = std::string("cannot be opened: ") + std::strerror(errno);
  result.size = static_cast<std::uintmax_t>(status.st_size);
  return result;
}

std::FILE* OpenServiceFile(const std::filesystem::path& path, const std::string& mode) {
  const bool update = mode.find('+') != std::string::npos;
  int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  switch (mode.empty() ? '?' : mode[0]) {
    case 'r': flags |= update ? O_RDWR : O_RDONLY; break;
    case 'w': flags |= (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; break;
    case 'a': flags |= (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default: errno = EINVAL; return nullptr;
  }
  if ((flags & O_ACCMODE) != O_RDONLY) flags |= O_NOFOLLOW;
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int failure = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = failure;
    return nullptr;
  }
  return AsFile(fd, mode.c_str());
}

}  // namespace host
