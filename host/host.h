// The host emulator's session: what warnik's options set, and the few things every service
// group shares (journal, terminal, message-box answers).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace host {

struct Options {
  std::filesystem::path shopDir;                 // --shop (empty: the bundled example)
  std::optional<std::string> today;              // --today dd.mm.yy
  std::optional<std::string> now;                // --now hh:mm:ss
  std::optional<std::uint32_t> seed;             // --seed N
  std::filesystem::path journalFile;             // --journal FILE (empty: none)
  std::filesystem::path outbox = "outbox";       // --outbox DIR
  bool smtp = false;                             // --smtp
  std::set<unsigned> without;                    // --without ORD,ORD
  std::string buildDate = "Dec  8 2026";         // --build-date "Mmm dd yyyy"
  std::map<int, int> tableSizes;                 // --table-size NUM=SIZE
  std::set<int> noTables;                        // --no-table NUM
  std::vector<std::string> answers;              // --answer abort|retry|ignore[,...]
  bool cancelForm = false;                       // --cancel
  bool notReady = false;                         // --not-ready
  bool stateBit = false;                         // --state-bit
  std::optional<std::pair<std::string, std::string>> formDates;  // menu-export FROM TO
  bool instantSleep = false;                     // tests: waits are journalled, not slept
  bool quietTerminal = false;                    // tests: nothing on the terminal
};

// The current session's options; set them before the plug-in is loaded.
Options& options();

// Starts a fresh host session: every service group forgets its state (tables, notices,
// menus, allocations, flags) and the journal is reopened.
void ResetHost(const Options& newOptions);

// Registered by each service group that keeps state, so that ResetHost can clear it.
void OnHostReset(void (*reset)());

// One JSON object a line in the journal file, when there is one. Texts are UTF-8.
void Journal(const nlohmann::json& event);

// A line on the terminal, UTF-8 (nothing when quietTerminal).
void Say(std::string_view utf8Line);

// The answer to a message box: the next scripted --answer; otherwise asked at the terminal;
// when standard input is not a terminal, "abort" and the terminal is told so.
std::string NextAnswer(std::string_view question);

}  // namespace host
