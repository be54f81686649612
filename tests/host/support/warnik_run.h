// warnik run as a program, as a user runs it: in a folder of its own, with no terminal on its
// standard input, its exit status, output and journal kept.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace warniktest {

namespace fs = std::filesystem;
using nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<json> journal;

  std::vector<json> Events(const std::string& kind) const {
    std::vector<json> events;
    for (const json& event : journal) {
      if (event.value("event", "") == kind) events.push_back(event);
    }
    return events;
  }
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Warnik : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("kronilog-warnik-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  Outcome Start(const std::string& arguments) {
    std::string command = "cd '" + folder.string() + "' && '" WARNIK_PROGRAM
                          "' --journal journal.jsonl --no-wait " +
                          arguments + " </dev/null >out.txt 2>err.txt";
    fs::remove(folder / "journal.jsonl");
    Outcome run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(folder / "out.txt");
    run.err = ReadFile(folder / "err.txt");
    std::istringstream lines(ReadFile(folder / "journal.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) run.journal.push_back(json::parse(line));
    }
    return run;
  }

  static bool OneLine(const std::string& text) {
    return !text.empty() && std::count(text.begin(), text.end(), '\n') == 1 && text.back() == '\n';
  }

  fs::path folder;
};

}  // namespace warniktest
