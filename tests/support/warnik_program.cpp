#include "tests/support/warnik_program.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/files.h"

namespace testsupport {

namespace fs = std::filesystem;

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

std::vector<nlohmann::json> Outcome::Events(const std::string& kind) const {
  std::vector<nlohmann::json> events;
  for (const nlohmann::json& event : journal) {
    if (event.value("event", "") == kind) events.push_back(event);
  }
  return events;
}

Outcome Warnik::Start(const std::string& arguments) {
  const std::string command = "cd '" + folder.string() + "' && '" WARNIK_PATH
                              "' --journal journal.jsonl --no-wait " +
                              arguments + " </dev/null >out.txt 2>err.txt";
  fs::remove(folder / "journal.jsonl");
  Outcome run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadBytes(folder / "out.txt");
  run.err = ReadBytes(folder / "err.txt");
  std::istringstream lines(ReadBytes(folder / "journal.jsonl"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) run.journal.push_back(nlohmann::json::parse(line));
  }
  return run;
}

bool Warnik::OneLine(const std::string& text) {
  return !text.empty() && std::count(text.begin(), text.end(), '\n') == 1 && text.back() == '\n';
}

}  // namespace testsupport
