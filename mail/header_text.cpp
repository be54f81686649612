// Header values of the report message, and the subject that names the shop.
#include "mail/header_text.h"

#include <cstring>

#include "mail/header_line.h"
#include "output/setting_text.h"

namespace {

constexpr char kSubjectLead[] = "Subject: Raport ze sklepu";

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

int HeaderValueInUtf8(const char* value, int fieldSize, char* out, std::size_t outSize) {
  if (fieldSize < 1 || fieldSize > kLongestHeaderValueField) return -1;
  char clean[kLongestHeaderValueField];
  HeaderValue(value, clean, static_cast<std::size_t>(fieldSize));
  return SettingTextInUtf8(clean, static_cast<std::size_t>(fieldSize), out, outSize);
}

bool IsAsciiText(const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

bool SubjectField(const char* shopName, char* out, std::size_t size) {
  char name[Utf8SettingSize(kShopNameKey.fieldSize) + 1];  // and the full stop
  const int length = HeaderValueInUtf8(shopName, kShopNameKey.fieldSize, name, sizeof name - 1);
  if (length < 0) return false;
  const auto nameLength = static_cast<std::size_t>(length);
  HeaderLine line;
  StartHeaderLine(&line, out, size, kSubjectLead);
  if (IsAsciiText(name, nameLength)) {
    PutPiece(&line, kOneBlank, name, nameLength);
    PutPiece(&line, kGlued, ".", 1);
    return EndHeaderLine(&line);  // on one line however long, as always: it holds no encoded word
  }
  // The full stop goes inside the last word: an encoded word stands alone.
  name[nameLength] = '.';
  PutEncodedWords(&line, kOneBlank, "", name, nameLength + 1, "");
  return EndHeaderLine(&line);
}
