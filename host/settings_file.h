// The host's settings service on a real settings file, and what tests and warnik's
// "settings" command may ask of it.
//
// The file is plain INI text: "[section]" lines, "key=value" lines, and anything else
// (comments starting with ';' or '#', blank lines) kept as it is. Sections and keys match
// without regard to ASCII case; the first matching section, and in it the first matching key,
// counts. Values are the host's Mazovia bytes; spaces around a value are not part of it, and a
// value written with spaces at its ends, or in double quotes, is stored in double quotes.
//
// Mode 8 reads. "%s": the text, cut to the reader's field (KnownSetting's limit; 99 bytes for
// a key the host does not know) and NUL-terminated. "%d": a decimal number of which the low 16
// bits are stored (65537 reads as 1, 65535 as -1). "%ld": the low 32 bits. Mode 9 writes the
// value, creating file, section and key as needed and replacing only the value in its line;
// the new file is written beside the old one, flushed to the disk and renamed over it, so it
// is always either the old file or the new one, never a part of either.
#pragma once

#include <string>
#include <string_view>

namespace host {

// Results of the settings service (the low 16 bits of what HostIniAccess returns).
enum IniResult : int {
  kIniOk = 0,
  kIniNoFile = 1,       // the file does not exist or cannot be read
  kIniNoSection = 2,
  kIniNoKey = 3,
  kIniBadNumber = 4,    // "%d"/"%ld" and the value is not a decimal number
  kIniBadValue = 5,     // a write of a text that cannot be kept in one line
  kIniBadRequest = 6,   // unknown mode or format, missing argument, unusable section or key name
  kIniWriteFailed = 7,  // the new file could not be written; the old one is untouched
};

// What the host knows of a key of Kronilog.ini: its format and, for texts, the longest value
// (bytes, without the NUL) its reader's buffer holds.
struct KnownSetting {
  const char* section;
  const char* key;
  const char* format;
  int textLimit;
};
inline constexpr int kUnknownKeyTextLimit = 99;
// The known key, or null.
const KnownSetting* FindKnownSetting(std::string_view section, std::string_view key);
// The longest text a "%s" read stores for the key.
int SettingTextLimit(std::string_view section, std::string_view key);

// Reads a value as the text in the file (not cut to any limit).
int ReadSettingText(const std::string& file, const std::string& section, const std::string& key,
                    std::string* value);
// Writes a value given as text, the way mode 9 writes a "%s" value.
int WriteSettingText(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value);

// Test hook: the next writes fail after this many bytes of the new file have been written,
// as a full disk would make them; -1 removes the hook.
void FailSettingsWritesAfter(long bytes);

}  // namespace host
