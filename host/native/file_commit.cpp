// Temporary files and their commit on POSIX: mkstemp, fsync, and rename (replace) or
// link and unlink (never replace: link fails when the name exists).
#include "host/system/file_commit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "host/system/process.h"

namespace host {

std::FILE* CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path* name) {
  std::string pattern = target.string() + ".tmp-" + std::to_string(CurrentProcessId()) + "-XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  // As an ordinary new file would be: the umask's permissions, not mkstemp's 0600.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    int failure = errno;
    ::close(fd);
    ::unlink(pattern.c_str());
    errno = failure;
    return nullptr;
  }
  *name = pattern;
  return file;
}

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

bool CommitTemporary(const std::filesystem::path& temporary, const std::filesystem::path& target,
                     bool replace) {
  if (replace) {
    if (::rename(temporary.c_str(), target.c_str()) != 0) return false;
  } else {
    if (::link(temporary.c_str(), target.c_str()) != 0) return false;
    ::unlink(temporary.c_str());
  }
  std::filesystem::path folder = target.parent_path();
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace host
