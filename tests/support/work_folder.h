// A fresh temporary folder, the current directory for as long as it lives, removed afterwards
// with everything in it (also what a test made unwritable).
#pragma once

#include <filesystem>

namespace testsupport {

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

}  // namespace testsupport
