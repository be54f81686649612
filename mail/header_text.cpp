// Header values of the report message, and texts beyond ASCII as RFC 2047 encoded words.
#include "mail/header_text.h"

#include <cstring>

#include "binding/host_api.h"
#include "output/text_output.h"

namespace {

constexpr char kSubjectLead[] = "Raport ze sklepu ";
constexpr char kWordStart[] = "=?UTF-8?Q?";
constexpr char kWordEnd[] = "?=";
constexpr char kFold[] = "\n ";
// An encoded word is at most 75 characters, its marks included.
constexpr std::size_t kWordPayload = 75 - (sizeof kWordStart - 1) - (sizeof kWordEnd - 1);
// The settings' longest text, 149 characters, in UTF-8 (at most three bytes each), and a NUL.
constexpr int kUtf8Size = 3 * 150 + 10;

bool IsAscii(const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
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
// other byte as "=XX"; safe in a subject and in an address's display name alike.
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

// Appends length bytes of text to out (kHeaderTextSize bytes) if they fit whole.
bool Append(char* out, std::size_t* used, const char* text, std::size_t length) {
  if (*used + length + 1 > static_cast<std::size_t>(kHeaderTextSize)) return false;
  std::memcpy(out + *used, text, length);
  *used += length;
  out[*used] = '\0';
  return true;
}

bool Append(char* out, std::size_t* used, const char* text) {
  return Append(out, used, text, std::strlen(text));
}

// Mazovia text (length bytes) in UTF-8, through the host's conversion, into utf8 (kUtf8Size).
void ToUtf8(const char* text, std::size_t length, char* utf8) {
  char source[kUtf8Size];
  if (length > sizeof source - 1) length = sizeof source - 1;
  std::memcpy(source, text, length);
  source[length] = '\0';
  utf8[0] = '\0';
  HostConvertTextSized(utf8, kUtf8Size, source, -1, kCodePageMazovia, kCodePageUtf8);
  utf8[kUtf8Size - 1] = '\0';
}

// Appends a UTF-8 text as encoded words, a character never split between two words, and a
// fold between one word and the next.
void AppendEncodedWords(const char* utf8, char* out, std::size_t* used) {
  std::size_t payload = 0;
  bool open = false;
  const auto* text = reinterpret_cast<const unsigned char*>(utf8);
  while (*text != '\0') {
    const std::size_t length = CharacterLength(text);
    char encoded[12];
    const std::size_t encodedLength = EncodeCharacter(text, length, encoded);
    if (open && payload + encodedLength > kWordPayload) {
      Append(out, used, kWordEnd);
      Append(out, used, kFold);
      open = false;
    }
    if (!open) {
      Append(out, used, kWordStart);
      open = true;
      payload = 0;
    }
    Append(out, used, encoded, encodedLength);
    payload += encodedLength;
    text += length;
  }
  if (open) Append(out, used, kWordEnd);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One address of a list, from its first byte to the comma after it (or the end): appended as
// it stands, or with its display name as encoded words when that name holds a byte beyond
// ASCII.
void AppendAddress(const char* address, std::size_t length, char* out, std::size_t* used) {
  const char* open = nullptr;  // the "<" of the address, outside quotes
  bool quoted = false;
  for (std::size_t i = 0; i < length; ++i) {
    if (address[i] == '\\' && quoted) {
      ++i;
      continue;
    }
    if (address[i] == '"') quoted = !quoted;
    if (address[i] == '<' && !quoted) open = address + i;
  }
  const std::size_t nameLength = open != nullptr ? static_cast<std::size_t>(open - address) : 0;
  if (open == nullptr || IsAscii(address, nameLength)) {
    Append(out, used, address, length);
    return;
  }
  // The blanks before the name stay; the name loses its blanks and its quotes, and the
  // backslashes of a quoted name stand for what follows them.
  std::size_t begin = 0;
  while (begin < nameLength && IsBlank(address[begin])) ++begin;
  Append(out, used, address, begin);
  std::size_t end = nameLength;
  while (end > begin && IsBlank(address[end - 1])) --end;
  if (end - begin >= 2 && address[begin] == '"' && address[end - 1] == '"') {
    ++begin;
    --end;
  }
  char name[kUtf8Size];
  std::size_t nameUsed = 0;
  for (std::size_t i = begin; i < end && nameUsed + 1 < sizeof name; ++i) {
    if (address[i] == '\\' && i + 1 < end) ++i;
    name[nameUsed++] = address[i];
  }
  char utf8[kUtf8Size];
  ToUtf8(name, nameUsed, utf8);
  AppendEncodedWords(utf8, out, used);
  Append(out, used, " ");
  Append(out, used, open, length - nameLength);
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
  if (IsAscii(name, std::strlen(name))) {
    FormatText(out, kHeaderTextSize, "%s%s.", kSubjectLead, name);
    return;
  }
  char utf8[kUtf8Size + 2];
  ToUtf8(name, std::strlen(name), utf8);
  std::strcat(utf8, ".");  // the full stop goes inside the last word: a word stands alone

  std::size_t used = 0;
  out[0] = '\0';
  Append(out, &used, kSubjectLead);
  AppendEncodedWords(utf8, out, &used);
}

void AddressHeaderText(const char* value, char* out) {
  char clean[kUtf8Size];
  HeaderValue(value, clean, sizeof clean);
  std::size_t used = 0;
  out[0] = '\0';
  const std::size_t length = std::strlen(clean);
  if (IsAscii(clean, length)) {
    Append(out, &used, clean, length);
    return;
  }
  // Addresses are separated by commas outside quotes and angle brackets.
  bool quoted = false;
  bool angled = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    const char c = clean[i];
    if (c == '\\' && quoted && i + 1 < length) {
      ++i;
      continue;
    }
    if (c == '"' && !angled) quoted = !quoted;
    if (!quoted && c == '<') angled = true;
    if (!quoted && c == '>') angled = false;
    if (i == length || (c == ',' && !quoted && !angled)) {
      AppendAddress(clean + start, i - start, out, &used);
      if (i < length) Append(out, &used, ",");
      start = i + 1;
    }
  }
}
