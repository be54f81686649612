// The journal. With WARNIK_JOURNAL_PROBE=1 in the environment (the benchmark sets it), every
// line of the journal file also carries "t", the seconds since the session began on a
// monotonic clock, the resident memory now ("rss_kb") and its peak since the previous line
// ("peak_kb"); the kernel's peak mark is reset after each line, so that a peak belongs to the
// stretch of work between two events. Without it the lines are as they always were.
#include "host/session/journal.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace host {
namespace {

struct JournalState {
  std::ofstream file;
  std::vector<nlohmann::json> events;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

JournalState& State() {
  static JournalState state;
  return state;
}

bool JournalProbe() {
  static const bool on = [] {
    const char* value = std::getenv("WARNIK_JOURNAL_PROBE");
    return value != nullptr && std::string_view(value) == "1";
  }();
  return on;
}

void AddMemoryFields(nlohmann::json& line) {
  std::ifstream status("/proc/self/status");
  std::string field;
  long kb = 0;
  while (status >> field) {
    if (field == "VmHWM:" && status >> kb) line["peak_kb"] = kb;
    if (field == "VmRSS:" && status >> kb) line["rss_kb"] = kb;
  }
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

void RestartJournal(const std::filesystem::path& journalFile) {
  JournalState& state = State();
  state.events.clear();
  state.started = std::chrono::steady_clock::now();
  if (state.file.is_open()) state.file.close();
  if (!journalFile.empty()) {
    state.file.open(journalFile, std::ios::out | std::ios::trunc | std::ios::binary);
  }
}

void Journal(const nlohmann::json& event) {
  JournalState& state = State();
  state.events.push_back(event);
  if (!state.file.is_open()) return;
  const auto replace = nlohmann::json::error_handler_t::replace;
  if (JournalProbe() && event.is_object()) {
    nlohmann::json line = event;
    line["t"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - state.started).count();
    AddMemoryFields(line);
    state.file << line.dump(-1, ' ', false, replace) << '\n';
  } else {
    state.file << event.dump(-1, ' ', false, replace) << '\n';
  }
  state.file.flush();
}

const std::vector<nlohmann::json>& JournalEntries() { return State().events; }

}  // namespace host
