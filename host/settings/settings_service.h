// The host's settings service on a real settings file, and what tests and warnik's
// "settings" command may ask of it.
//
// The file is INI text as ini_document.h reads it, whatever its line ends; values are the
// host's Mazovia bytes.
//
// Mode 8 reads. "%s": the text, cut to the reader's field (the key table's field size less the
// NUL, known_settings.h; 99 bytes for a key the host does not know) and NUL-terminated. "%d":
// a decimal number of which the low 16 bits are stored (65537 reads as 1, 65535 as -1). "%ld":
// the low 32 bits. Mode 9 writes the value, creating file, section and key as needed and
// replacing only the value in its line; the new file is written beside the old one (under a
// name of this process's own), flushed to the disk and renamed over it, so it is always either
// the old file or the new one, never a part of either, also when several sessions write it at
// once.
#pragma once

#include <optional>
#include <string>

#include "host/service_types.h"

namespace host {

HostIniAccessType HostIniAccess;  // 41399

// Results of the settings service (the low 16 bits of what HostIniAccess returns).
enum IniResult : int {
  kIniOk = 0,
  kIniNoFile = 1,       // the file does not exist, cannot be read or is refused
  kIniNoSection = 2,
  kIniNoKey = 3,
  kIniBadNumber = 4,    // "%d"/"%ld" and the value is not a decimal number
  kIniBadValue = 5,     // a write of a text that cannot be kept in one line
  kIniBadRequest = 6,   // unknown mode or format, missing argument, unusable section or key name
  kIniWriteFailed = 7,  // the new file could not be written (or the old one is refused); the old one is untouched
};

// Reads a value as the text in the file (not cut to any limit).
int ReadSettingText(const std::string& file, const std::string& section, const std::string& key,
                    std::string* value);
// Writes a value given as text, the way mode 9 writes a "%s" value.
int WriteSettingText(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value);

// Why the settings file was refused in this session (the first reason), or nothing.
std::optional<std::string> SettingsFileRefusal();

// Test hook: the next writes fail after this many bytes of the new file have been written,
// as a full disk would make them; -1 removes the hook.
void FailSettingsWritesAfter(long bytes);

}  // namespace host
