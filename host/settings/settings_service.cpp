// The host's settings service: Kronilog.ini as INI text in the current folder.
#include "host/settings/settings_service.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>

#include "host/files/files.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/settings/ini_document.h"
#include "host/settings/known_settings.h"
#include "host/settings/settings_file.h"
#include "host/system/file_lock.h"
#include "host/texts/codepages.h"

namespace host {
namespace {

constexpr int kModeRead = 8;
constexpr int kModeWrite = 9;

// Waiting longer for another process's change of the file than this is a fault of its own.
constexpr int kLockWaitMilliseconds = 30000;

// A settings file the host refused in this session: the first reason, told once.
struct Refusal {
  std::optional<std::string> reason;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool UsableName(std::string_view name, std::string_view forbidden) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
  for (char c : name) {
    if (c == '\r' || c == '\n' || forbidden.find(c) != std::string_view::npos) return false;
  }
  return true;
}
bool UsableSection(std::string_view name) { return UsableName(name, "]"); }
bool UsableKey(std::string_view name) {
  return UsableName(name, "=") && name.front() != '[' && name.front() != ';' && name.front() != '#';
}

// Once refused, the file is neither read nor written for the rest of the session: a read that
// failed (a file another program kept to itself, say) is no missing key, so the plug-in's
// default is never written over the shop's value, and it never runs on half its settings.
bool Refused() { return SessionState<Refusal>().reason.has_value(); }

// The file is refused: the terminal is told the first time in the session.
void Refuse(const std::string& problem) {
  Refusal& refusal = SessionState<Refusal>();
  if (refusal.reason) return;
  refusal.reason = problem;
  Say("settings: " + problem + "; it is neither read nor written in this session");
}

bool ParseNumber(std::string_view text, long long* number) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  }
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *number);
  return error == std::errc() && end == text.data() + text.size();
}

int Read(const std::filesystem::path& path, std::string_view section, std::string_view key,
         std::string* value) {
  if (Refused()) return kIniNoFile;
  const SettingsFileText file = ReadSettingsFile(path);
  if (file.state == SettingsFileText::kRefused) Refuse(file.problem);
  if (file.state != SettingsFileText::kRead) return kIniNoFile;
  bool sectionFound = false;
  if (IniDocument(file.content).Find(section, key, value, &sectionFound)) return kIniOk;
  return sectionFound ? kIniNoKey : kIniNoSection;
}

// Read, change and write under the update lock, so that a change another process makes at
// the same time is never lost.
int Write(const std::filesystem::path& path, std::string_view section, std::string_view key,
          const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) {
    Say("settings: a value with a line break cannot be kept in Kronilog.ini; not written");
    return kIniBadValue;
  }
  const auto refused = [&](const std::string& reason) {
    Refuse(reason);
    Journal({{"event", "settings-refused"},
             {"section", MazoviaToUtf8(section)},
             {"key", MazoviaToUtf8(key)},
             {"reason", *SessionState<Refusal>().reason}});
    return kIniWriteFailed;
  };
  if (Refused()) return refused({});
  const FileUpdateLock lock(path, kLockWaitMilliseconds);
  if (!lock.held()) {
    Say("settings: " + path.string() + " could not be written (" + lock.problem() + "); the file is as it was");
    return kIniWriteFailed;
  }
  const SettingsFileText file = ReadSettingsFile(path);
  if (file.state == SettingsFileText::kRefused) return refused(file.problem);
  IniDocument document(file.content);
  document.Set(section, key, value);
  if (!ReplaceSettingsFile(path, document.Text())) {
    Say("settings: " + path.string() + " could not be written (" + std::strerror(errno) +
        "); the file is as it was");
    return kIniWriteFailed;
  }
  Journal({{"event", "settings-write"},
           {"section", MazoviaToUtf8(section)},
           {"key", MazoviaToUtf8(key)},
           {"value", MazoviaToUtf8(value)}});
  return kIniOk;
}

bool UsableRequest(const std::string& file, std::string_view section, std::string_view key) {
  return !file.empty() && UsableSection(section) && UsableKey(key);
}

}  // namespace

std::optional<std::string> SettingsFileRefusal() { return SessionState<Refusal>().reason; }

int ReadSettingText(const std::string& file, const std::string& section, const std::string& key,
                    std::string* value) {
  if (!UsableRequest(file, section, key)) return kIniBadRequest;
  return Read(NativePath(file), section, key, value);
}

int WriteSettingText(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) {
  if (!UsableRequest(file, section, key)) return kIniBadRequest;
  return Write(NativePath(file), section, key, value);
}

int HOSTAPI_CC HostIniAccess(const char* file, int mode, const char* section, const char* key,
                             const char* format, va_list value) {
  if (file == nullptr || section == nullptr || key == nullptr || format == nullptr ||
      !UsableRequest(file, section, key)) {
    return kIniBadRequest;
  }
  std::string_view kind = format;
  if (kind != "%s" && kind != "%d" && kind != "%ld") return kIniBadRequest;
  std::filesystem::path path = NativePath(file);

  if (mode == kModeWrite) {
    std::string text;
    if (kind == "%s") {
      const char* given = va_arg(value, const char*);
      if (given == nullptr) return kIniBadRequest;
      text = given;
    } else {
      text = std::to_string(va_arg(value, int));
    }
    return Write(path, section, key, text);
  }
  if (mode != kModeRead) return kIniBadRequest;

  void* destination = va_arg(value, void*);
  if (destination == nullptr) return kIniBadRequest;
  std::string text;
  int result = Read(path, section, key, &text);
  if (result != kIniOk) return result;

  if (kind == "%s") {
    std::size_t length = std::min(text.size(), static_cast<std::size_t>(SettingTextLimit(section, key)));
    std::memcpy(destination, text.data(), length);
    static_cast<char*>(destination)[length] = '\0';
    return kIniOk;
  }
  long long number = 0;
  if (!ParseNumber(text, &number)) return kIniBadNumber;
  if (kind == "%d") {
    auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
    std::memcpy(destination, &low, sizeof low);
  } else {
    auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(number & 0xFFFFFFFF));
    std::memcpy(destination, &low, sizeof low);
  }
  return kIniOk;
}

}  // namespace host
