// Temporary files beside the files the host writes whole (the settings file, outbox
// messages): named "<target>.tmp-<process>-XXXXXX" (system/file_commit.h), so that each
// process's own are apart and those of a process that died can be told and removed.
#pragma once

#include <filesystem>
#include <string_view>

namespace host {

// Removes the temporary files in folder left by processes that no longer run; with a prefix,
// only those whose name begins with it. Those of running processes stay.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view prefix = {});

}  // namespace host
