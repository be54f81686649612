// A text value of the settings file as the shop typed it. The plug-in and warnik store texts
// in Mazovia, but an ordinary editor (Notepad on Windows 10 and later) saves what it is typed in
// UTF-8. Mazovia's Polish letters (0x86 to 0xA7) are UTF-8 continuation bytes with no lead byte
// among them, so a Mazovia text is never valid UTF-8 holding a multi-byte character: a value
// that is, was typed in UTF-8.
#pragma once

#include <cstddef>

// UTF-8 room for a value read into a field of fieldSize bytes: three bytes for each Mazovia
// byte, and the NUL.
constexpr std::size_t Utf8SettingSize(std::size_t fieldSize) { return 3 * (fieldSize - 1) + 1; }

// True when text, read into a field of fieldSize bytes, is valid UTF-8 holding at least one
// character of two bytes or more. The settings service cuts a long value at the field, which
// may cut its last character: in a full field (fieldSize - 1 bytes) a character cut short at
// the end is no fault, and counts as a multi-byte one.
bool IsUtf8Text(const char* text, std::size_t fieldSize);

// The bytes of text to use: without a character cut short at the end of a full field when the
// text is UTF-8, all of them otherwise.
std::size_t SettingTextLength(const char* text, std::size_t fieldSize);

// text in Mazovia into out (outSize bytes, always zero-terminated; fieldSize bytes are
// enough): a UTF-8 text converted through the host (a character Mazovia lacks becomes what the
// host makes of it; the emulator makes '?'), any other text copied as it is.
void SettingTextInMazovia(const char* text, std::size_t fieldSize, char* out, std::size_t outSize);

// text in UTF-8 into out (outSize bytes, always zero-terminated; Utf8SettingSize(fieldSize)
// bytes are enough): a UTF-8 text as it is, any other text converted from Mazovia through the
// host. Returns the length, or -1 when the text did not fit whole (then out must not be used).
int SettingTextInUtf8(const char* text, std::size_t fieldSize, char* out, std::size_t outSize);
