// The card number in a receipt's remark, and record texts escaped for the report's XML.
#include "export/report_text.h"

#include <cstring>

namespace {

constexpr char kCardMarker[] = "Karta:";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The no-break space of the shop's code page: copied texts and some tills put it after
// "Karta:" or after the number.
constexpr unsigned char kNoBreakSpace = 0xFF;

// What ends a card number: a blank, a no-break space, or a control byte, which reads as one.
bool IsSeparator(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u != '\0' && (u == ' ' || u == kNoBreakSpace || IsControl(u));
}

// The bytes written as an entity or a character reference; the other control bytes become
// blanks, every other byte stays as it is.
struct XmlEscape {
  unsigned char byte;
  const char* written;
};
constexpr XmlEscape kXmlEscapes[] = {
    {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"},
};

constexpr bool EscapesFitTheirRoom() {
  for (const XmlEscape& escape : kXmlEscapes) {
    int length = 0;
    while (escape.written[length] != '\0') ++length;
    if (length > kMostEscapedBytes) return false;
  }
  return true;
}
static_assert(EscapesFitTheirRoom(), "no byte is written as more than kMostEscapedBytes bytes");

// What a byte of a record text is written as; single holds it when it stands for itself.
const char* Escaped(unsigned char c, char* single) {
  for (const XmlEscape& escape : kXmlEscapes) {
    if (escape.byte == c) return escape.written;
  }
  single[0] = c < 0x20 ? ' ' : static_cast<char>(c);
  single[1] = '\0';
  return single;
}

}  // namespace

CardText CardNumberFromRemark(const char* remark, char* card) {
  card[0] = '\0';
  const char* marker = std::strstr(remark, kCardMarker);
  if (marker == nullptr) return CardText::kNone;
  const char* number = marker + (sizeof kCardMarker - 1);
  while (IsSeparator(*number)) ++number;
  std::size_t length = 0;
  while (number[length] != '\0' && !IsSeparator(number[length])) ++length;
  if (length < 2 || number[0] != '7' || number[1] != '7') return CardText::kNone;
  if (length > kCardNumberSize - 1) return CardText::kTooLong;
  std::memcpy(card, number, length);
  card[length] = '\0';
  return CardText::kNumber;
}

void EscapeXmlText(const char* text, char* out, std::size_t size) {
  std::size_t used = 0;
  for (; *text != '\0'; ++text) {
    char single[2];
    const char* piece = Escaped(static_cast<unsigned char>(*text), single);
    std::size_t pieceLength = std::strlen(piece);
    if (used + pieceLength + 1 > size) break;
    std::memcpy(out + used, piece, pieceLength);
    used += pieceLength;
  }
  out[used] = '\0';
}
