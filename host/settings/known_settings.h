// What the host knows of the plug-in's settings file, Kronilog.ini: the keys it reads with
// their formats and, for texts, the longest value its reader's buffer holds (the host cuts a
// "%s" value to it). This is part of the host contract (docs/host-services.md).
#pragma once

#include <string_view>

namespace host {

struct KnownSetting {
  const char* section;
  const char* key;
  const char* format;
  int textLimit;  // bytes without the NUL; 0 for numbers the plug-in reads as numbers
};
inline constexpr int kUnknownKeyTextLimit = 99;

// The known key (sections and keys match without regard to ASCII case), or null.
const KnownSetting* FindKnownSetting(std::string_view section, std::string_view key);

// The longest text a "%s" read stores for the key.
int SettingTextLimit(std::string_view section, std::string_view key);

// Sections and keys compare so.
bool SameSettingName(std::string_view a, std::string_view b);

}  // namespace host
