// Opening the host's files for reading and for the plug-in's file service, which differs
// between the builds: what counts as a regular file, and links.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace host {

struct ReadableFile {
  std::FILE* file = nullptr;  // open for binary reading; the caller closes it
  std::uintmax_t size = 0;    // its size when opened
  bool missing = false;       // there is no such file (then problem says so too)
  std::string problem;        // why it is not open, in words ("is a folder, not a file", ...)
};

// Opens a file for binary reading only when it is a regular file (a link to one is followed):
// a folder, a named pipe, a device or a socket is refused, saying which, and nothing waits on
// it as opening a named pipe without a writer would. On Windows it is opened sharing deletion,
// so that a writer may replace it meanwhile, and an open refused because another process holds
// the file is tried again for a bounded time.
ReadableFile OpenRegularFile(const std::filesystem::path& path);

// Opens a file for the plug-in's file service in a C library mode ("r", "w", "a", with "+"
// and "b"). A file that exists and is not a regular file is refused (errno EISDIR for a
// folder, EINVAL otherwise), without waiting on it; natively a mode that writes does not
// follow a symbolic link in the last part of the path (errno ELOOP), so that a link left in
// the folder cannot make the plug-in write into a file elsewhere. Null, errno set, on failure.
std::FILE* OpenServiceFile(const std::filesystem::path& path, const std::string& mode);

}  // namespace host
