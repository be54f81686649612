// A lock file held for as long as a host session runs, so that sessions running at once in
// one folder can tell each other apart.
#pragma once

#include <filesystem>

namespace host {

// Takes the lock file at path unless another running session holds it. A handle (>= 0) while
// held, -1 when another session holds it or the file cannot be made.
long TryLockFile(const std::filesystem::path& path);

// Gives the lock back and removes its file.
void UnlockFile(long handle, const std::filesystem::path& path);

}  // namespace host
