// The keys of the settings file Kronilog.ini as data, generated from settings_keys.inc: each
// key's section, name, format, default, field size and reader. The plug-in reads and writes
// its keys through these rows; the host's settings service cuts a text to the row's field.
#pragma once

#include "contract/host_types.h"

inline constexpr char kSettingsFile[] = "Kronilog.ini";

// The formats the settings service is handed.
inline constexpr char kFormatText[] = "%s";
inline constexpr char kFormatShort[] = "%d";
inline constexpr char kFormatLong[] = "%ld";

enum class SettingFormat : unsigned char { Text, Short, Long };

// How the plug-in reads a key (settings_keys.inc says what each means).
enum class SettingReader : unsigned char { WithDefault, DefaultUnsaved, WrittenOnly };

struct SettingKey {
  const char* section;
  const char* key;
  const char* format;       // kFormatText, kFormatShort or kFormatLong
  int defaultNumber;        // for "%d" and "%ld"
  const char* defaultText;  // for "%s" (null where the reader supplies it at run time)
  int fieldSize;            // the plug-in's text buffer, NUL included; 0 for a number read so
  SettingReader reader;
};

namespace setting_key_detail {

constexpr const char* FormatOf(SettingFormat format) {
  return format == SettingFormat::Text ? kFormatText : format == SettingFormat::Short ? kFormatShort : kFormatLong;
}
// A default is a number or a text; the other one is 0 or null.
constexpr int NumberOf(int number) { return number; }
constexpr int NumberOf(const char*) { return 0; }
constexpr const char* TextOf(int) { return nullptr; }
constexpr const char* TextOf(const char* text) { return text; }

}  // namespace setting_key_detail

// kSection<section>: the sections' names.
#define SETTINGS_SECTION(section, name) inline constexpr char kSection##section[] = name;
#define SETTING_KEY(section, id, name, format, byDefault, fieldSize, reader)
#include "contract/settings_keys.inc"
#undef SETTINGS_SECTION
#undef SETTING_KEY

// k<id>Key: each key's row.
#define SETTINGS_SECTION(section, name)
#define SETTING_KEY(section, id, name, format, byDefault, fieldSize, reader)                    \
  inline constexpr SettingKey k##id##Key = {kSection##section,                                 \
                                            name,                                              \
                                            setting_key_detail::FormatOf(SettingFormat::format), \
                                            setting_key_detail::NumberOf(byDefault),           \
                                            setting_key_detail::TextOf(byDefault),             \
                                            fieldSize,                                         \
                                            SettingReader::reader};
#include "contract/settings_keys.inc"
#undef SETTING_KEY

// Every key in the table's order, and each key's place in it (kSettingIndex<id>).
#define SETTING_KEY(section, id, name, format, byDefault, fieldSize, reader) k##id##Key,
inline constexpr SettingKey kSettingKeys[] = {
#include "contract/settings_keys.inc"
};
#undef SETTING_KEY
#define SETTING_KEY(section, id, name, format, byDefault, fieldSize, reader) kSettingIndex##id,
enum SettingIndex : int {
#include "contract/settings_keys.inc"
  kSettingKeyCount
};
#undef SETTING_KEY
#undef SETTINGS_SECTION

static_assert(kSettingKeyCount == sizeof kSettingKeys / sizeof kSettingKeys[0], "an index for every key");

namespace setting_key_detail {

constexpr int Length(const char* text) {
  int length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

// What the host relies on when it writes into the plug-in's buffer, and the readers when they
// read: a text key has a field that holds its default and the NUL; a text read with its
// default has one; a key whose reader supplies its default is a text.
constexpr bool RowHolds(const SettingKey& key) {
  // The format by its text: the addresses of two arrays are no constants a check may compare.
  const bool text = key.format[0] == '%' && key.format[1] == 's';
  if (key.fieldSize < 0 || key.fieldSize == 1) return false;
  if (text && key.fieldSize == 0) return false;
  if (key.defaultText != nullptr && Length(key.defaultText) >= key.fieldSize) return false;
  if (key.reader == SettingReader::WithDefault && text) return key.defaultText != nullptr;
  return key.reader == SettingReader::WithDefault || text;
}

}  // namespace setting_key_detail

// Every row checked as it compiles, the failing one named.
#define SETTINGS_SECTION(section, name)
#define SETTING_KEY(section, id, name, format, byDefault, fieldSize, reader) \
  static_assert(setting_key_detail::RowHolds(k##id##Key), "settings_keys.inc, " name                \
                ": a text's field holds its default and the NUL, a text read with its default has " \
                "one, a key without a default of its own is a text");
#include "contract/settings_keys.inc"
#undef SETTING_KEY
#undef SETTINGS_SECTION
