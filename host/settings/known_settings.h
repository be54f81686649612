// What the host knows of the plug-in's settings file, Kronilog.ini: the contract's table of its
// keys (contract/settings_keys.inc), with each key's format and the field the plug-in reads a
// text into. The settings service cuts a "%s" value to that field, since it writes into the
// plug-in's own buffer.
#pragma once

#include <string_view>

#include "contract/settings_keys.h"

namespace host {

// What the host cuts a text to for a key it does not know.
inline constexpr int kUnknownKeyTextLimit = 99;

// The known key (sections and keys match without regard to ASCII case), or null.
const SettingKey* FindKnownSetting(std::string_view section, std::string_view key);

// The longest text a "%s" read of the key stores: its field less the NUL; 0 for a key the
// plug-in reads as a number.
int TextLimit(const SettingKey& key);

// The longest text a "%s" read stores for the key, known or not.
int SettingTextLimit(std::string_view section, std::string_view key);

// Sections and keys compare so.
bool SameSettingName(std::string_view a, std::string_view b);

}  // namespace host
