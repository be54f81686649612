// warnik's commands that need no plug-in session of warnik's own making.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// gen-shop DIR --receipts N [--seed S]: writes a synthetic shop folder. Returns the exit status.
int RunGenShop(const std::filesystem::path& dir, long receipts, std::optional<unsigned> seed);

// settings get SECTION KEY | settings set SECTION KEY VALUE, with the words after "settings".
// Returns the exit status.
int RunSettingsCommand(const std::vector<std::string>& words);
