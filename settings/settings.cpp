// Access to Kronilog.ini through the host's settings service, and the read-with-default rule.
#include "settings/settings.h"

#include <cstdarg>

#include "binding/host_api.h"
#include "output/text_output.h"

namespace {

bool Found(int result) { return (result & 0xFFFF) == 0; }

}  // namespace

int IniAccess(const char* file, int mode, const char* section, const char* key,
              const char* format, ...) {
  va_list value;
  va_start(value, format);
  int result = HostIniAccess(file, mode, section, key, format, value);
  va_end(value);
  return result;
}

void ReadWithDefault(const SettingKey& key, short* value) {
  if (Found(IniAccess(kSettingsFile, kIniRead, key.section, key.key, kFormatShort, value))) return;
  *value = static_cast<short>(key.defaultNumber);
  WriteDefaultNumber(key);
}

void ReadWithDefault(const SettingKey& key, int* value) {
  if (Found(IniAccess(kSettingsFile, kIniRead, key.section, key.key, kFormatLong, value))) return;
  *value = key.defaultNumber;
  WriteDefaultNumber(key);
}

void ReadWithDefault(const SettingKey& key, char* text) {
  if (ReadText(key, text)) return;
  FormatText(text, static_cast<std::size_t>(key.fieldSize), "%s", key.defaultText);
  IniAccess(kSettingsFile, kIniWrite, key.section, key.key, kFormatText, text);
}

void ReadShortIntoSlot(const SettingKey& key, int* slot) {
  if (Found(IniAccess(kSettingsFile, kIniRead, key.section, key.key, kFormatShort, slot))) return;
  *slot = key.defaultNumber;
  WriteDefaultNumber(key);
}

bool ReadText(const SettingKey& key, char* text) {
  text[0] = '\0';
  const bool found = Found(IniAccess(kSettingsFile, kIniRead, key.section, key.key, kFormatText, text));
  // The settings service keeps a text within its field; the last byte stays a NUL whatever a
  // hand-edited file holds.
  text[key.fieldSize - 1] = '\0';
  if (!found) text[0] = '\0';
  return found;
}

void WriteDefaultNumber(const SettingKey& key) {
  IniAccess(kSettingsFile, kIniWrite, key.section, key.key, key.format, key.defaultNumber);
}

void WriteSetting(const SettingKey& key, const char* text) {
  IniAccess(kSettingsFile, kIniWrite, key.section, key.key, kFormatText, text);
}
