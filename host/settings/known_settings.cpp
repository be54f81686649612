// The host's view of Kronilog.ini's keys (see known_settings.h).
#include "host/settings/known_settings.h"

namespace host {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameSettingName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

const SettingKey* FindKnownSetting(std::string_view section, std::string_view key) {
  for (const SettingKey& known : kSettingKeys) {
    if (SameSettingName(known.section, section) && SameSettingName(known.key, key)) return &known;
  }
  return nullptr;
}

int TextLimit(const SettingKey& key) { return key.fieldSize > 0 ? key.fieldSize - 1 : 0; }

int SettingTextLimit(std::string_view section, std::string_view key) {
  const SettingKey* known = FindKnownSetting(section, key);
  return known != nullptr && TextLimit(*known) > 0 ? TextLimit(*known) : kUnknownKeyTextLimit;
}

}  // namespace host
