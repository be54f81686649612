// The card number in a receipt's remark, and record texts escaped for the report's XML.
#include "export/report_text.h"

#include <cstring>

#include "frame/host_api.h"

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool CardNumberFromRemark(const char* remark, char* card) {
  card[0] = '\0';
  const char* marker = std::strstr(remark, "Karta:");
  if (marker == nullptr) return false;
  const char* after = marker + 6;
  // The field holds 29 characters: a longer text is cut, never written past it.
  std::size_t length = std::strlen(after);
  if (length > kCardNumberSize - 1) length = kCardNumberSize - 1;
  std::memcpy(card, after, length);
  card[length] = '\0';
  // A tab or another control byte separates like a blank: it must never end up inside the
  // number, where the report's schema allows none.
  for (std::size_t i = 0; i < length; ++i) {
    if (IsControl(static_cast<unsigned char>(card[i]))) card[i] = ' ';
  }
  HostTrimText(card);
  card[kCardNumberSize - 1] = '\0';
  if (card[0] != '7' || card[1] != '7') return false;
  char* blank = std::strchr(card, ' ');
  if (blank != nullptr) *blank = '\0';
  return true;
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
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') single[0] = ' ';
        piece = single;
    }
    std::size_t pieceLength = std::strlen(piece);
    if (used + pieceLength + 1 > size) break;
    std::memcpy(out + used, piece, pieceLength);
    used += pieceLength;
  }
  out[used] = '\0';
}
