// What the reliability tests share: a private work folder, the emulator bound in-process to
// the plug-in's slots, and readers for what a run leaves on disk.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"

namespace reliability {

std::filesystem::path GoldenShop();

class Reliability : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // ResetHost(options) and every slot bound again; the work folder stays.
  void Rebind();
  // A new empty work folder, then Rebind().
  void FreshFolder();
  std::vector<nlohmann::json> Events(const std::string& name) const;
  std::vector<std::string> Texts(const std::string& event) const;  // "text" of each event

  host::Options options;
  std::filesystem::path folder;

 private:
  std::filesystem::path previous_;
};

std::string ReadText(const std::filesystem::path& file);
void WriteText(const std::filesystem::path& file, const std::string& text);
// The value of a key as the settings file holds it, or nothing.
std::optional<std::string> Setting(const std::string& section, const std::string& key);
// The report files in RAP_KART, by name.
std::vector<std::filesystem::path> ReportFiles();
// True when the text is well-formed XML.
bool WellFormed(const std::string& xml);
// Every <tag>value</tag> of a text, in order.
std::vector<std::string> ElementValues(const std::string& xml, const std::string& tag);

}  // namespace reliability
