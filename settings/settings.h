// Access to the settings file Kronilog.ini, always through the host's settings service.
#pragma once

// The key table and the readers' helpers (ReadReportSettings, ReadMailSettings,
// ReadCashRegisterFlags).
#include "settings/settings_keys.h"

inline constexpr char kSettingsFile[] = "Kronilog.ini";
enum : int { kIniRead = 8, kIniWrite = 9 };

// One read (mode 8, value: pointer to the destination) or one write (mode 9, value: the value
// itself, or a pointer to the text for "%s"). Exactly one value follows the format. Returns
// the host's result unchanged; on a read its low 16 bits are 0 when the key was found.
int IniAccess(const char* file, int mode, const char* section, const char* key,
              const char* format, ...);

// The read-with-default rule: read the key; when it is missing, put the default in place and
// write it back at once. A present key is used as it is, 0 included. "%d" reads store 16
// bits, "%ld" reads 32; a "%s" read is bounded by the host to the key's field size.
void ReadWithDefault(const char* section, const char* key, short* value, short defaultValue);  // "%d"
void ReadWithDefault(const char* section, const char* key, int* value, int defaultValue);      // "%ld"
void ReadWithDefault(const char* section, const char* key, char* text, const char* defaultText);  // "%s"
