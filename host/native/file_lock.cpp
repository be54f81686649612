// The update lock with flock on "<file>.lock". Its holder removes the lock file before it
// gives the lock back; a waiter that then gets the lock on the removed file sees that the
// name no longer leads to it and starts again on the new one, so that only one holder at a
// time ever goes on.
#include "host/system/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace host {
namespace {

// True when the open descriptor is the file the path names now.
bool StillNamed(int fd, const std::filesystem::path& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

}  // namespace

FileUpdateLock::FileUpdateLock(const std::filesystem::path& file, int waitMilliseconds)
    : lockFile_(file.string() + ".lock") {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      problem_ = "cannot make the lock file " + lockFile_.string() + ": " + std::strerror(errno);
      return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (StillNamed(fd, lockFile_)) {
        handle_ = fd;
        return;
      }
      ::close(fd);  // its holder removed it as we opened it: the next one
      continue;
    }
    const int failure = errno;
    ::close(fd);
    if (failure != EWOULDBLOCK) {
      problem_ = "cannot lock " + lockFile_.string() + ": " + std::strerror(failure);
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      problem_ = "another process has held " + lockFile_.string() + " for " +
                 std::to_string(waitMilliseconds / 1000) + " s";
      return;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(16));
  }
}

FileUpdateLock::~FileUpdateLock() {
  if (handle_ == kNone) return;
  ::unlink(lockFile_.c_str());
  ::close(static_cast<int>(handle_));
}

}  // namespace host
