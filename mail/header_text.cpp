// Header values of the report message, and the shop's subject as RFC 2047 encoded words.
#include "mail/header_text.h"

#include <cstring>

#include "frame/host_api.h"
#include "settings/text_output.h"

namespace {

constexpr char kSubjectLead[] = "Raport ze sklepu ";
constexpr char kWordStart[] = "=?UTF-8?Q?";
constexpr char kWordEnd[] = "?=";
constexpr char kFold[] = "\n ";
// An encoded word is at most 75 characters, its marks included.
constexpr std::size_t kWordPayload = 75 - (sizeof kWordStart - 1) - (sizeof kWordEnd - 1);
constexpr int kUtf8Size = 3 * 100 + 10;

bool IsAscii(const char* text) {
  for (; *text != '\0'; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

bool IsPlain(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The bytes of one UTF-8 character starting with lead (a stray byte counts alone).
std::size_t CharacterLength(const unsigned char* text) {
  std::size_t length = (*text & 0xE0) == 0xC0 ? 2 : (*text & 0xF0) == 0xE0 ? 3 : (*text & 0xF8) == 0xF0 ? 4 : 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return i;
  }
  return length;
}

// The Q encoding of one character: letters and digits as they are, a blank as "_", every
// other byte as "=XX".
std::size_t EncodeCharacter(const unsigned char* text, std::size_t length, char* out) {
  static const char kHex[] = "0123456789ABCDEF";
  std::size_t used = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (IsPlain(c)) {
      out[used++] = static_cast<char>(c);
    } else if (c == ' ') {
      out[used++] = '_';
    } else {
      out[used++] = '=';
      out[used++] = kHex[c >> 4];
      out[used++] = kHex[c & 0x0F];
    }
  }
  return used;
}

// Appends text to out (kSubjectTextSize bytes) if it fits whole.
bool Append(char* out, std::size_t* used, const char* text, std::size_t length) {
  if (*used + length + 1 > static_cast<std::size_t>(kSubjectTextSize)) return false;
  std::memcpy(out + *used, text, length);
  *used += length;
  out[*used] = '\0';
  return true;
}

}  // namespace

void HeaderValue(const char* value, char* out, std::size_t size) {
  if (size == 0) return;
  std::size_t used = 0;
  for (; *value != '\0' && used + 1 < size; ++value) {
    const unsigned char c = static_cast<unsigned char>(*value);
    out[used++] = (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : static_cast<char>(c);
  }
  out[used] = '\0';
}

void ShopSubjectText(const char* shopName, char* out) {
  char name[kUtf8Size];
  HeaderValue(shopName, name, 100);
  if (IsAscii(name)) {
    FormatText(out, kSubjectTextSize, "%s%s.", kSubjectLead, name);
    return;
  }
  char utf8[kUtf8Size + 2];
  utf8[0] = '\0';
  HostConvertTextSized(utf8, kUtf8Size, name, -1, kCodePageMazovia, kCodePageUtf8);
  utf8[kUtf8Size - 1] = '\0';
  std::strcat(utf8, ".");  // the full stop goes inside the last word: a word stands alone

  std::size_t used = 0;
  out[0] = '\0';
  Append(out, &used, kSubjectLead, sizeof kSubjectLead - 1);
  std::size_t payload = 0;  // characters of the open word's encoded text; 0: no word open
  bool open = false;
  const auto* text = reinterpret_cast<const unsigned char*>(utf8);
  while (*text != '\0') {
    const std::size_t length = CharacterLength(text);
    char encoded[12];
    const std::size_t encodedLength = EncodeCharacter(text, length, encoded);
    if (open && payload + encodedLength > kWordPayload) {
      Append(out, &used, kWordEnd, sizeof kWordEnd - 1);
      Append(out, &used, kFold, sizeof kFold - 1);
      open = false;
    }
    if (!open) {
      Append(out, &used, kWordStart, sizeof kWordStart - 1);
      open = true;
      payload = 0;
    }
    Append(out, &used, encoded, encodedLength);
    payload += encodedLength;
    text += length;
  }
  if (open) Append(out, &used, kWordEnd, sizeof kWordEnd - 1);
}
