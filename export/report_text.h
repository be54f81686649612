// Pieces of the report file writer that work on texts alone: the card number in a receipt's
// remark and the escaping of record texts for XML.
#pragma once

#include <cstddef>

inline constexpr int kCardNumberSize = 30;  // at most 29 characters and the NUL

// The most bytes EscapeXmlText writes for one byte of a text ("&amp;", "&#10;", "&#13;").
inline constexpr int kMostEscapedBytes = 5;

enum class CardText {
  kNone,     // the remark names no loyalty card
  kNumber,   // the card number is in card
  kTooLong,  // a card number longer than its 29 characters: never cut into another card's
};

// The card test of the receipt selection: the remark holds "Karta:" (these exact bytes, the
// first occurrence counts), and after any blanks a number beginning with "77". The number runs
// from its first character that is not a blank to the next blank or the end; a no-break space
// (0xFF) and a control byte count as blanks, so the number never holds one. A number of up to 29 characters goes into
// card (30 bytes); a longer one is not cut, since a cut number would credit another card.
CardText CardNumberFromRemark(const char* remark, char* card);

// Copies text into out (size bytes, always zero-terminated) with &, < and > written as
// &amp; &lt; &gt;, a tab, a line feed and a carriage return as the character references
// &#9; &#10; &#13; (a reader sees them as stored, never a line break of the file, and a CR
// is not turned into a line feed), and the control bytes that XML 1.0 cannot hold as blanks.
// kMostEscapedBytes x strlen(text) + 1 bytes always suffice; with less room the text is cut
// before an entity, never inside one.
void EscapeXmlText(const char* text, char* out, std::size_t size);
