#include "tests/support/work_folder.h"

#include <chrono>
#include <random>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

WorkFolder::WorkFolder() {
  // A name no other folder has: a new one is made, never one that is there already.
  std::random_device random;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  for (unsigned attempt = 0;; ++attempt) {
    path_ = fs::temp_directory_path() /
            ("kronilog-test-" + std::to_string(now) + "-" + std::to_string(random()) + "-" +
             std::to_string(attempt));
    if (fs::create_directory(path_)) break;
  }
  previous_ = fs::current_path();
  fs::current_path(path_);
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

}  // namespace testsupport
