// warnik run as a program in the current folder, with no terminal on its standard input.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error
};
RunResult RunWarnik(const std::vector<std::string>& arguments);

}  // namespace testsupport
