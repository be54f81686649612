// The host session's options and state: what warnik's options set, each part of the host's
// state in the current session, and the reset that starts every session afresh.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

// Starts a fresh host session: every part of the host forgets its state (tables, notices,
// menus, allocations, flags), the journal is reopened and the platform's handlers installed.
void ResetHost(const Options& newOptions);

// Registers what ResetHost runs for one part of the host (once per routine).
void OnHostReset(void (*reset)());

// The state of one part of the host in the current session: made on first use and set back
// to a fresh T by every ResetHost. A T that holds what a fresh T cannot give back by itself
// (open files, memory blocks) has a Release() member, which runs first.
template <typename T>
T& SessionState() {
  static T state;
  static const bool registered = (OnHostReset([] {
                                    if constexpr (requires { state.Release(); }) state.Release();
                                    state = T{};
                                  }),
                                  true);
  (void)registered;
  return state;
}

}  // namespace host
