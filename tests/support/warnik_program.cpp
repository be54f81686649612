#include "tests/support/warnik_program.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace testsupport {

RunResult RunWarnik(const std::vector<std::string>& arguments) {
  std::string command = "'" WARNIK_PATH "'";
  for (const auto& argument : arguments) {
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " " + quoted + "'";
  }
  command += " </dev/null 2>&1";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk;
  std::size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), got);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testsupport
