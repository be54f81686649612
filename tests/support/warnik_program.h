// warnik run as a program, as a user runs it: in the current folder or a test's own, with no
// terminal on its standard input.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/work_folder.h"

namespace testsupport {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error
};
// warnik with these arguments in the current folder.
RunResult RunWarnik(const std::vector<std::string>& arguments);

// One session of warnik --journal journal.jsonl --no-wait: its exit status, each output
// stream and the journal.
struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<nlohmann::json> journal;

  std::vector<nlohmann::json> Events(const std::string& kind) const;
};

// Each test in a work folder of its own (`folder`), where Start runs warnik.
class Warnik : public ::testing::Test {
 protected:
  // The arguments as a shell reads them.
  Outcome Start(const std::string& arguments);
  // The text is one line, ended by its line feed.
  static bool OneLine(const std::string& text);

  WorkFolder work_;
  const std::filesystem::path folder = work_.path();
};

}  // namespace testsupport
