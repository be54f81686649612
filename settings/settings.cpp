// Access to Kronilog.ini through the host's settings service, and the read-with-default rule.
#include "settings/settings.h"

#include <cstdarg>
#include <cstring>

#include "frame/host_api.h"
#include "settings/settings_keys.h"
#include "settings/text_output.h"

int IniAccess(const char* file, int mode, const char* section, const char* key,
              const char* format, ...) {
  va_list value;
  va_start(value, format);
  int result = HostIniAccess(file, mode, section, key, format, value);
  va_end(value);
  return result;
}

void ReadWithDefault(const char* section, const char* key, short* value, short defaultValue) {
  int result = IniAccess(kSettingsFile, kIniRead, section, key, kFormatShort, value);
  if ((result & 0xFFFF) == 0) return;
  *value = defaultValue;
  IniAccess(kSettingsFile, kIniWrite, section, key, kFormatShort, static_cast<int>(defaultValue));
}

void ReadWithDefault(const char* section, const char* key, int* value, int defaultValue) {
  int result = IniAccess(kSettingsFile, kIniRead, section, key, kFormatLong, value);
  if ((result & 0xFFFF) == 0) return;
  *value = defaultValue;
  IniAccess(kSettingsFile, kIniWrite, section, key, kFormatLong, defaultValue);
}

void ReadWithDefault(const char* section, const char* key, char* text, const char* defaultText) {
  int result = IniAccess(kSettingsFile, kIniRead, section, key, kFormatText, text);
  if ((result & 0xFFFF) == 0) return;
  // The default goes into the reader's buffer; a key of the table gives the buffer's size,
  // any other reader's buffer must hold its default.
  const SettingKey* entry = FindSettingKey(section, key);
  std::size_t size = entry != nullptr ? static_cast<std::size_t>(entry->fieldSize)
                                      : std::strlen(defaultText) + 1;
  FormatText(text, size, "%s", defaultText);
  IniAccess(kSettingsFile, kIniWrite, section, key, kFormatText, text);
}
