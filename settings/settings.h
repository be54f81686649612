// Access to the settings file Kronilog.ini, always through the host's settings service.
#pragma once

#include "settings/settings_keys.h"

enum : int { kIniRead = 8, kIniWrite = 9 };

// One read (mode 8, value: pointer to the destination) or one write (mode 9, value: the value
// itself, or a pointer to the text for "%s"). Exactly one value follows the format. Returns
// the host's result unchanged; on a read its low 16 bits are 0 when the key was found.
int IniAccess(const char* file, int mode, const char* section, const char* key,
              const char* format, ...);

// The read-with-default rule for a key of the table: read it; when it is missing, put its
// default in place and write it back at once. A present key is used as it is, 0 included.
// "%d" keys read into 16 bits, "%ld" keys into 32, "%s" keys into a buffer of the key's field
// size (the host bounds the read to it).
void ReadWithDefault(const SettingKey& key, short* value);  // "%d"
void ReadWithDefault(const SettingKey& key, int* value);    // "%ld"
void ReadWithDefault(const SettingKey& key, char* text);    // "%s"

// A "%d" key read into a 32-bit slot: the host stores the low 16 bits; a missing key sets the
// whole slot to the default.
void ReadShortIntoSlot(const SettingKey& key, int* slot);

// A text key without a default (DefaultUnsaved): true, and the text in text (the key's field
// size), when the key is there; false, and the text empty, when not.
bool ReadText(const SettingKey& key, char* text);

// Writes a key: a text for "%s" keys, a number for the others.
void WriteSetting(const SettingKey& key, const char* text);

// Writes a number key's default back ("%d" or "%ld"), as the read-with-default rule does when
// the key is missing.
void WriteDefaultNumber(const SettingKey& key);
