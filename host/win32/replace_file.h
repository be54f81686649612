// The settings file's atomic replacement on Win32.
#pragma once

#include <filesystem>
#include <string>

namespace host::win32 {

// Writes content into a new file "<name>.tmp-XXXXXX" beside target, flushes it to the disk
// and moves it over target in one step, so that whenever the process stops the file is the
// old or the new one. writeLimit >= 0 lets only that many bytes through and then fails (the
// tests' full disk). On failure: false, errno set, target untouched, no file left behind.
bool ReplaceFileContent(const std::filesystem::path& target, const std::string& content, long writeLimit);

}  // namespace host::win32
