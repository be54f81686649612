// A lock across processes around one read, change and write of a file (the settings file),
// so that two processes changing it at once never lose each other's changes: each takes it
// in turn. It is held on a lock file "<file>.lock" beside the file (flock natively,
// LockFileEx on Win32), which its holder removes when it gives the lock back; a holder that
// dies gives it back at once, and its file is taken over by the next.
#pragma once

#include <filesystem>
#include <string>

namespace host {

class FileUpdateLock {
 public:
  // Waits up to waitMilliseconds for the lock on file's lock file.
  FileUpdateLock(const std::filesystem::path& file, int waitMilliseconds);
  ~FileUpdateLock();
  FileUpdateLock(const FileUpdateLock&) = delete;
  FileUpdateLock& operator=(const FileUpdateLock&) = delete;

  bool held() const { return handle_ != kNone; }
  // Why it is not held, in words.
  const std::string& problem() const { return problem_; }

 private:
  static constexpr long kNone = -1;
  std::filesystem::path lockFile_;
  long handle_ = kNone;
  std::string problem_;
};

}  // namespace host
