// Texts that go into the message's header fields. A value never starts a line of its own,
// whatever the settings file holds; a plain ASCII value stands byte for byte, and one beyond
// ASCII (Mazovia, or UTF-8 as an editor saved it) travels as RFC 2047 encoded words of its
// UTF-8 form, which every mail reader shows and strict mail servers accept.
#pragma once

#include <cstddef>

#include "settings/settings_keys.h"

// What one byte of a settings value can take in a header field, at worst: three bytes of UTF-8
// (a Mazovia byte) of three characters each in an encoded word ("=XX"); an encoded word of its
// own (its marks, 12, and a fold before it, 2); a piece of its own with a fold before it (2);
// and what the field adds around a name (" <", ">" and a blank, 4).
inline constexpr std::size_t kHeaderBytesPerValueByte = 3 * 3 + 12 + 2 + 2 + 4;
// The longest lead ("Subject: Raport ze sklepu " is 26 characters) and the NUL.
inline constexpr std::size_t kHeaderFieldLead = 32;

// Room for a header field made from a value read into a field of fieldSize bytes; one byte
// more than the value can hold covers the subject's full stop.
constexpr std::size_t HeaderFieldSize(int fieldSize) {
  return kHeaderFieldLead + kHeaderBytesPerValueByte * static_cast<std::size_t>(fieldSize);
}
inline constexpr std::size_t kSubjectFieldSize = HeaderFieldSize(kShopNameKey.fieldSize);
inline constexpr std::size_t kRecipientFieldSize = HeaderFieldSize(kMailRecipientKey.fieldSize);
inline constexpr std::size_t kSenderFieldSize = HeaderFieldSize(kMailLoginKey.fieldSize);

// The longest settings field a header value comes from.
inline constexpr int kLongestHeaderValueField = kMailRecipientKey.fieldSize;
static_assert(kShopNameKey.fieldSize <= kLongestHeaderValueField && kMailLoginKey.fieldSize <= kLongestHeaderValueField);

// value with every CR, LF and other control byte but the tab turned into a blank, into out
// (size bytes, always zero-terminated).
void HeaderValue(const char* value, char* out, std::size_t size);

// value, read into a field of fieldSize bytes, as HeaderValue leaves it and in UTF-8 (see
// output/setting_text.h), into out (outSize bytes). Returns its length, or -1 when it could
// not be had whole.
int HeaderValueInUtf8(const char* value, int fieldSize, char* out, std::size_t outSize);

bool IsAsciiText(const char* text, std::size_t length);

// The first Subject field, "Subject: Raport ze sklepu <name>.", into out (size bytes): with
// an ASCII name as it stands, byte for byte; otherwise "<name>." as encoded words after the
// lead, folded. False when it could not be written whole.
bool SubjectField(const char* shopName, char* out, std::size_t size);
