// warnik settings get SECTION KEY | settings set SECTION KEY VALUE: Kronilog.ini in the current
// folder, read and written through the host's settings service, with UTF-8 on the terminal.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "host/texts/codepages.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "tools/commands.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "warnik: settings get SECTION KEY, or settings set SECTION KEY VALUE\n");
  return 2;
}

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "warnik: %s\n", reason.c_str());
  return 1;
}

// The terminal's UTF-8 as the host's Mazovia text; false when a character has no place in it.
bool ToHost(const std::string& utf8, std::string* mazovia) {
  *mazovia = host::Utf8ToMazovia(utf8);
  return host::MazoviaToUtf8(*mazovia) == utf8;
}

bool Decimal(const std::string& text, long long low, long long high) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return false;
  }
  long long number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return !digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
         number >= low && number <= high;
}

std::string Where(const std::string& section, const std::string& key) {
  return "[" + section + "] " + key;
}

int Get(const std::string& section, const std::string& key, const std::string& utf8Section,
        const std::string& utf8Key) {
  std::string value;
  int result = host::ReadSettingText(kSettingsFile, section, key, &value);
  switch (result) {
    case host::kIniOk:
      break;
    case host::kIniNoFile:
      if (auto refused = host::SettingsFileRefusal()) return Refuse(*refused);
      return Refuse(std::string(kSettingsFile) + " is not in this folder");
    case host::kIniNoSection:
      return Refuse(std::string(kSettingsFile) + " has no section [" + utf8Section + "]");
    case host::kIniNoKey:
      return Refuse(std::string(kSettingsFile) + " has no key " + Where(utf8Section, utf8Key));
    default:
      return Refuse("\"" + utf8Section + "\" / \"" + utf8Key + "\" cannot name a setting");
  }
  std::printf("%s\n", host::MazoviaToUtf8(value).c_str());

  const SettingKey* known = host::FindKnownSetting(section, key);
  if (known == nullptr) return 0;
  if (known->format == kFormatText) {
    if (value.size() > static_cast<std::size_t>(host::TextLimit(*known))) {
      std::fprintf(stderr, "warnik: note: the plug-in reads only the first %d characters\n",
                   host::TextLimit(*known));
    }
  } else if (!Decimal(value, INT64_MIN, INT64_MAX)) {
    std::fprintf(stderr,
                 "warnik: note: not a number; the plug-in will replace it with its default\n");
  }
  return 0;
}

int Set(std::string section, std::string key, const std::string& value,
        const std::string& utf8Section, const std::string& utf8Key, const std::string& utf8Value) {
  const SettingKey* known = host::FindKnownSetting(section, key);
  if (known != nullptr) {
    section = known->section;  // a new line gets the name as the plug-in spells it
    key = known->key;
    if (known->format == kFormatText) {
      if (value.size() > static_cast<std::size_t>(host::TextLimit(*known))) {
        return Refuse(Where(utf8Section, utf8Key) + " holds at most " +
                      std::to_string(host::TextLimit(*known)) + " characters; nothing written");
      }
    } else if (known->format == kFormatShort ? !Decimal(value, -32768, 32767)
                                             : !Decimal(value, INT32_MIN, INT32_MAX)) {
      return Refuse(Where(utf8Section, utf8Key) + " wants a whole number" +
                    (known->format == kFormatShort ? " from -32768 to 32767"
                                                   : " from -2147483648 to 2147483647") +
                    ", not \"" + utf8Value + "\"; nothing written");
    }
  } else {
    std::fprintf(stderr, "warnik: note: the plug-in does not read %s\n",
                 Where(utf8Section, utf8Key).c_str());
  }

  int result = host::WriteSettingText(kSettingsFile, section, key, value);
  switch (result) {
    case host::kIniOk:
      std::printf("%s=%s\n", Where(utf8Section, utf8Key).c_str(), utf8Value.c_str());
      return 0;
    case host::kIniBadValue:
      return Refuse("a value cannot hold a line break; nothing written");
    case host::kIniBadRequest:
      return Refuse("\"" + utf8Section + "\" / \"" + utf8Key + "\" cannot name a setting");
    default:
      if (auto refused = host::SettingsFileRefusal()) return Refuse(*refused + "; nothing written");
      return Refuse(std::string(kSettingsFile) + " could not be written; it is as it was");
  }
}

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& words) {
  bool get = words.size() == 3 && words[0] == "get";
  bool set = words.size() == 4 && words[0] == "set";
  if (!get && !set) return Usage();

  std::string section;
  std::string key;
  std::string value;
  if (!ToHost(words[1], &section) || !ToHost(words[2], &key)) {
    return Refuse("a section or key name has a character the host's character set lacks");
  }
  if (get) return Get(section, key, words[1], words[2]);
  if (!ToHost(words[3], &value)) {
    return Refuse("\"" + words[3] +
                  "\" has a character the host's character set lacks; nothing written");
  }
  return Set(section, key, value, words[1], words[2], words[3]);
}
