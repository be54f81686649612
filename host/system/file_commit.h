// Files that appear whole or not at all: written under a temporary name beside their place,
// then given their name in one step.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace host {

// A new file "<target>.tmp-<process>-XXXXXX" beside target, opened for binary writing and
// created exclusively; the name says which process made it. Null (errno set) on failure.
std::FILE* CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path* name);

// Flushes a file's content to the disk (the C library's buffer included).
bool FlushToDisk(std::FILE* file);

// Gives a closed temporary file its final name in one step. With replace, an existing file
// of that name is replaced; without, an existing file is never touched and the call fails
// with errno EEXIST. On failure the temporary file is left where it was. Windows renames over
// no file that is open: there a replacement waits, for a bounded time, for its readers.
bool CommitTemporary(const std::filesystem::path& temporary, const std::filesystem::path& target,
                     bool replace);

}  // namespace host
