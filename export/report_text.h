// Pieces of the report file writer that work on texts alone: the card number in a receipt's
// remark and the escaping of record texts for XML.
#pragma once

#include <cstddef>

inline constexpr int kCardNumberSize = 30;  // at most 29 characters and the NUL

// Tests 6 and 7 of the receipt selection: the remark holds "Karta:" (these exact bytes, the
// first occurrence counts), and what follows it, cut to the 29 characters of the card-number
// field, with control bytes taken as blanks and trimmed by the host, begins with "77". The
// card number is that text up to its first blank, so it never holds a blank or a control
// byte. True and the number in card (30 bytes) when the remark names a card.
bool CardNumberFromRemark(const char* remark, char* card);

// Copies text into out (size bytes, always zero-terminated) with &, < and > written as
// &amp; &lt; &gt;, and the control bytes that XML 1.0 cannot hold (below 0x20 except tab,
// line feed and carriage return) as blanks. 5 x strlen(text) + 1 bytes always suffice; with
// less room the text is cut before an entity, never inside one.
void EscapeXmlText(const char* text, char* out, std::size_t size);
