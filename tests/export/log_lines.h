// The export log's lines as the end-to-end tests compare them: without their time stamps, and
// without the plug-in's version and the till's number where they are those of a lone session,
// which every line of the tests holds.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace exporttest {

inline std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  std::istringstream in(testsupport::ReadBytes("Kronilog.log"));
  std::string line;
  const std::string same = " wersja=" KRONILOG_VERSION " stanowisko=1";
  while (std::getline(in, line)) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t at = line.find(same);
    if (at != std::string::npos) line.erase(at, same.size());
    lines.push_back(line.size() > 20 ? line.substr(20) : line);
  }
  return lines;
}

}  // namespace exporttest
