// The session's journal: one JSON object a line in the journal file, when there is one, and
// every event kept in memory for tests and for warnik's exit status. Texts are UTF-8.
#pragma once

#include <filesystem>
#include <vector>

#include <nlohmann/json.hpp>

namespace host {

void Journal(const nlohmann::json& event);

// Every event journalled since the session began, whether or not a journal file is open.
const std::vector<nlohmann::json>& JournalEntries();

// Forgets the events and opens the journal file afresh (an empty path: none). ResetHost
// calls it.
void RestartJournal(const std::filesystem::path& journalFile);

}  // namespace host
