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
    unsigned char c = static_cast<unsigned char>(*text);
    const char* piece;
    char single[2] = {static_cast<char>(c), '\0'};
    switch (c) {
      case '&': piece = "&amp;"; break;
      case '<': piece = "&lt;"; break;
      case '>': piece = "&gt;"; break;
      case '\t': piece = "&#9;"; break;
      case '\n': piece = "&#10;"; break;
      case '\r': piece = "&#13;"; break;
      default:
        if (c < 0x20) single[0] = ' ';
        piece = single;
    }
    std::size_t pieceLength = std::strlen(piece);
    if (used + pieceLength + 1 > size) break;
    std::memcpy(out + used, piece, pieceLength);
    used += pieceLength;
  }
  out[used] = '\0';
}
