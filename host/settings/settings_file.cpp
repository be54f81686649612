// The settings file as a whole (see settings_file.h).
#include "host/settings/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/files/temporaries.h"
#include "host/session/session_options.h"
#include "host/settings/settings_service.h"
#include "host/system/file_commit.h"
#include "host/system/file_open.h"

namespace host {
namespace {

struct SettingsHooks {
  long failWritesAfter = -1;
};

struct FileCloser {
  std::FILE* file;
  ~FileCloser() { std::fclose(file); }
};

std::string SizeText(std::uintmax_t bytes) {
  return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MiB" : std::to_string(bytes) + " bytes";
}

}  // namespace

std::string UnreadableEncoding(std::string_view content) {
  using namespace std::string_view_literals;
  if (content.starts_with("\xFF\xFE\0\0"sv)) return "UTF-32 LE text (it begins with the bytes FF FE 00 00)";
  if (content.starts_with("\0\0\xFE\xFF"sv)) return "UTF-32 BE text (it begins with the bytes 00 00 FE FF)";
  if (content.starts_with("\xFF\xFE"sv)) return "UTF-16 LE text (it begins with the bytes FF FE)";
  if (content.starts_with("\xFE\xFF"sv)) return "UTF-16 BE text (it begins with the bytes FE FF)";
  // Without a byte order mark: UTF-16 text of the settings' ASCII names and values has a zero
  // byte in nearly every pair, on the same side; other bytes, garbage included, are read.
  const std::size_t pairs = std::min<std::size_t>(content.size(), 512) / 2;
  if (pairs < 4) return {};
  std::size_t zeroFirst = 0;
  std::size_t zeroSecond = 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    zeroFirst += content[2 * i] == '\0' ? 1 : 0;
    zeroSecond += content[2 * i + 1] == '\0' ? 1 : 0;
  }
  if (zeroSecond * 10 >= pairs * 9 && zeroFirst * 10 <= pairs) return "UTF-16 LE text (without a byte order mark)";
  if (zeroFirst * 10 >= pairs * 9 && zeroSecond * 10 <= pairs) return "UTF-16 BE text (without a byte order mark)";
  return {};
}

SettingsFileText ReadSettingsFile(const std::filesystem::path& path) {
  SettingsFileText result;
  const std::string name = path.string();
  ReadableFile opened = OpenRegularFile(path);
  if (opened.missing) return result;
  result.state = SettingsFileText::kRefused;
  if (opened.file == nullptr) {
    result.problem = name + " " + opened.problem;
    return result;
  }
  FileCloser closer{opened.file};
  const auto tooLarge = [&] {
    result.problem = name + " is larger than the " + SizeText(kLargestSettingsFile) + " a settings file may have";
    return result;
  };
  if (opened.size > kLargestSettingsFile) return tooLarge();
  // Read to its end, whatever its size said: a file that grows meanwhile is refused too.
  char chunk[16 * 1024];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, opened.file);
    result.content.append(chunk, got);
    if (result.content.size() > kLargestSettingsFile) {
      result.content.clear();
      return tooLarge();
    }
    if (got < sizeof chunk) break;
  }
  if (std::ferror(opened.file)) {
    result.content.clear();
    result.problem = name + " cannot be read: " + std::strerror(errno);
    return result;
  }
  if (const std::string encoding = UnreadableEncoding(result.content); !encoding.empty()) {
    result.content.clear();
    result.problem = name + " is " + encoding + "; the host reads it only as single-byte text (ANSI)";
    return result;
  }
  result.state = SettingsFileText::kRead;
  return result;
}

bool ReplaceSettingsFile(const std::filesystem::path& target, const std::string& content) {
  const std::filesystem::path folder = target.parent_path();
  RemoveStaleTemporaries(folder.empty() ? "." : folder, target.filename().string() + ".tmp-");
  std::filesystem::path temporary;
  std::FILE* file = CreateTemporaryBeside(target, &temporary);
  if (file == nullptr) return false;
  std::size_t limit = content.size();
  const long allowed = SessionState<SettingsHooks>().failWritesAfter;
  const bool cut = allowed >= 0 && static_cast<std::size_t>(allowed) < limit;
  if (cut) limit = static_cast<std::size_t>(allowed);
  errno = 0;
  bool ok = std::fwrite(content.data(), 1, limit, file) == limit && !cut && FlushToDisk(file);
  int failure = ok ? 0 : (errno != 0 ? errno : ENOSPC);
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && !CommitTemporary(temporary, target, true)) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    errno = failure;
  }
  return ok;
}

void FailSettingsWritesAfter(long bytes) { SessionState<SettingsHooks>().failWritesAfter = bytes; }

}  // namespace host
