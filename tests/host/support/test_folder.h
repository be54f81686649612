// Each test runs in a fresh folder of its own, in a fresh host session.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"

class InTempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "kronilog-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::filesystem::current_path(folder_);
    host::Options options;
    options.quietTerminal = true;
    options.instantSleep = true;
    host::ResetHost(options);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }

  static std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteAll(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  // Names of the files in the test's folder, sorted.
  std::string Listing() const {
    std::string names;
    std::vector<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      all.push_back(entry.path().filename().string());
    }
    std::sort(all.begin(), all.end());
    for (const auto& name : all) names += name + ";";
    return names;
  }

  std::filesystem::path previous_;
  std::filesystem::path folder_;
};
