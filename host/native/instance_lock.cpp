// Lock files with flock: the lock goes with the process, so a session that is killed frees
// its number at once. A file unlinked by its last holder is detected and taken afresh.
#include "host/system/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace host {

long TryLockFile(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return -1;
    }
    // The holder before us may have removed the file after we opened it: then our lock is on
    // a file nobody else can find, and we take the new one.
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

void UnlockFile(long handle, const std::filesystem::path& path) {
  if (handle < 0) return;
  ::unlink(path.c_str());
  ::close(static_cast<int>(handle));
}

}  // namespace host
