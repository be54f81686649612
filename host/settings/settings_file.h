// The settings file as a whole: read when it is one the host can use, and replaced whole.
//
// The host reads Kronilog.ini only when it is a regular file (a link to one is followed) of
// at most kLargestSettingsFile bytes holding single-byte text: a folder, a named pipe, a
// device, a larger file, or UTF-16 or UTF-32 text is refused with
// the reason, and is neither read nor written (the plug-in then gets "no file" for every read
// and its writes fail; the shop's own file stays as it is).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace host {

inline constexpr std::uintmax_t kLargestSettingsFile = 1 << 20;

struct SettingsFileText {
  enum State { kRead, kMissing, kRefused };
  State state = kMissing;
  std::string content;  // kRead: the whole file
  std::string problem;  // kRefused: why, in words, starting with the file's name
};

SettingsFileText ReadSettingsFile(const std::filesystem::path& path);

// What a text is when it is UTF-16 or UTF-32 ("UTF-16 LE text (...)"); empty for anything
// else, which is read as single-byte text whatever bytes it holds.
std::string UnreadableEncoding(std::string_view content);

// Writes the new content into a file of this process's own beside the old one, flushes it to
// the disk and gives it the old one's name in one step: whenever the process stops, the file
// is the old or the new one. Temporary files left by processes that died are removed first.
// False, errno set, when it could not; the old file is then as it was.
bool ReplaceSettingsFile(const std::filesystem::path& target, const std::string& content);

}  // namespace host
