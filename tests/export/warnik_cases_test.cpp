// Whole warnik sessions on the golden shop kept as case files (tests/export/cases/*.case), one
// test each: what is in the folder before, the command, and what must be there after. A line
// is "field: value"; "#" begins a comment. In a value, \n, \t and \\ stand for a line feed, a
// tab and a backslash.
//
//   ini: LINE            a line of Kronilog.ini, written before the session
//   folder: NAME         a folder made in the work folder before the session
//   run: ARGUMENTS       warnik's arguments, split at blanks; --shop (the golden shop) and
//                        --journal journal.jsonl come first
//   status: N            warnik's exit status
//   entry: N             what entry 30009 returned
//   message: TEXT        every message of the journal (boxes and notices), in order
//   alert: TEXT          every alert of the journal, in order
//   mails: N             messages handed to the mail service
//   registers: N         readings of the cash registers
//   report: NAME | none  the report files in RAP_KART; none: no RAP_KART at all
//   setting: SECTION KEY VALUE | SECTION KEY (none)   a key of Kronilog.ini afterwards
//   kept: LINE           a line Kronilog.ini still holds, as it was
//   log: LINE            every line of Kronilog.log, as exporttest::LogLines gives them
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/export/log_lines.h"
#include "tests/support/files.h"
#include "tests/support/warnik_program.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
  }
  return out;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// A case file's fields, each with its values in the file's order.
using Case = std::multimap<std::string, std::string>;

Case ReadCase(const fs::path& file) {
  Case fields;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(": ");
    EXPECT_NE(colon, std::string::npos) << file << ": " << line;
    if (colon == std::string::npos) continue;
    fields.emplace(line.substr(0, colon), Unescaped(line.substr(colon + 2)));
  }
  return fields;
}

std::vector<std::string> Values(const Case& fields, const std::string& name) {
  std::vector<std::string> values;
  auto [begin, end] = fields.equal_range(name);
  for (auto it = begin; it != end; ++it) values.push_back(it->second);
  return values;
}

std::vector<std::string> Texts(const std::vector<nlohmann::json>& events) {
  std::vector<std::string> texts;
  for (const auto& event : events) texts.push_back(event["text"]);
  return texts;
}

std::vector<fs::path> CaseFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(EXPORT_CASES_DIR)) {
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class WarnikCase : public ::testing::TestWithParam<fs::path> {};

TEST_P(WarnikCase, GivesWhatItsFileSays) {
  const Case fields = ReadCase(GetParam());
  WorkFolder folder;
  std::string ini;
  for (const auto& line : Values(fields, "ini")) ini += line + "\n";
  if (!ini.empty()) WriteBytes("Kronilog.ini", ini);
  for (const auto& name : Values(fields, "folder")) fs::create_directory(name);

  std::vector<std::string> arguments = {"--shop", GoldenShop().string(), "--journal", "journal.jsonl"};
  for (const auto& run : Values(fields, "run")) {
    for (const auto& word : Words(run)) arguments.push_back(word);
  }
  const RunResult run = RunWarnik(arguments);

  for (const auto& status : Values(fields, "status")) EXPECT_EQ(run.status, std::stoi(status)) << run.output;
  for (const auto& entry : Values(fields, "entry")) {
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.output, match, std::regex(R"(\(entry 30009 returned (-?\d+)\))"))) << run.output;
    EXPECT_EQ(std::stoi(match[1]), std::stoi(entry));
  }
  for (const char* kind : {"message", "alert"}) {
    const auto expected = Values(fields, kind);
    if (!expected.empty()) {
      EXPECT_EQ(Texts(JournalEvents("journal.jsonl", kind)), expected) << kind;
    }
  }
  for (const auto& mails : Values(fields, "mails")) {
    EXPECT_EQ(JournalEvents("journal.jsonl", "mail").size(), std::stoul(mails));
  }
  for (const auto& readings : Values(fields, "registers")) {
    EXPECT_EQ(JournalEvents("journal.jsonl", "cash-registers").size(), std::stoul(readings));
  }
  const auto reports = Values(fields, "report");
  if (reports == std::vector<std::string>{"none"}) {
    EXPECT_FALSE(fs::exists("RAP_KART"));
  } else if (!reports.empty()) {
    std::vector<fs::path> expected;
    for (const auto& name : reports) expected.push_back(fs::path("RAP_KART") / name);
    EXPECT_EQ(ReportFiles(), expected);
  }
  for (const auto& setting : Values(fields, "setting")) {
    const auto words = Words(setting);
    ASSERT_EQ(words.size(), 3u) << setting;
    const auto value = IniValue("Kronilog.ini", words[0], words[1]);
    if (words[2] == "(none)") {
      EXPECT_FALSE(value) << setting;
    } else {
      EXPECT_EQ(value, words[2]) << setting;
    }
  }
  for (const auto& line : Values(fields, "kept")) {
    EXPECT_NE(ReadBytes("Kronilog.ini").find("\n" + line + "\n"), std::string::npos) << line;
  }
  const auto log = Values(fields, "log");
  if (!log.empty()) {
    EXPECT_EQ(exporttest::LogLines(), log);
  }
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, WarnikCase, ::testing::ValuesIn(CaseFiles()), CaseName);

}  // namespace
