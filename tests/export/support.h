// What the export tests share: a private working folder, the emulator bound in-process, the
// warnik program as a subprocess, the settings file and report files as the tests read them.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"

namespace export_test {

std::filesystem::path DataDir();  // tests/export/data

// A fresh folder that is the current directory for the test's lifetime.
class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// The emulator in this process, with every host service bound to the plug-in's slots, and a
// work folder as the current directory. Options may be changed and Rebind() called.
class InProcessHost : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Rebind();  // ResetHost(options) and bind every slot again
  std::vector<nlohmann::json> Events(const std::string& name) const;

  host::Options options;
  std::optional<WorkFolder> folder;
};

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error
};
// Runs warnik with the arguments in the current folder.
RunResult RunWarnik(const std::vector<std::string>& arguments);

std::string ReadText(const std::filesystem::path& file);
void WriteText(const std::filesystem::path& file, const std::string& text);

// key=value lines under [section] of an INI file; empty when absent.
std::optional<std::string> IniValue(const std::filesystem::path& file, const std::string& section,
                                    const std::string& key);

// The report files in RAP_KART of the current folder, by name.
std::vector<std::filesystem::path> ReportFiles();

// Empty when the file is valid against docs/kronilog-report.xsd; otherwise libxml2's errors.
std::string SchemaErrors(const std::filesystem::path& report);

// Every <tag>value</tag> of a report, in file order.
std::vector<std::string> ElementValues(const std::string& report, const std::string& tag);

// The journal file's events of one name.
std::vector<nlohmann::json> JournalEvents(const std::filesystem::path& journal, const std::string& name);

}  // namespace export_test
