// Texts that go into the message's header lines. A value never starts a new line, whatever
// the settings file holds, and a shop name beyond ASCII travels as RFC 2047 encoded words of
// its UTF-8 form, which every mail reader shows and strict mail servers accept.
#pragma once

#include <cstddef>

// A shop name of 99 characters takes at most 297 bytes in UTF-8, and each byte at most three
// characters in an encoded word; the words' own marks and folds come on top.
inline constexpr int kSubjectTextSize = 1536;

// value with every CR, LF and other control byte but the tab turned into a blank, into out
// (size bytes, always zero-terminated).
void HeaderValue(const char* value, char* out, std::size_t size);

// The text of the first Subject line after "Subject: ": "Raport ze sklepu <name>." with an
// ASCII name as it stands, byte for byte; with a name holding any byte beyond ASCII,
// "Raport ze sklepu " followed by "<name>." as encoded words ("=?UTF-8?Q?...?="), each at
// most 75 characters, folded onto lines of their own. out holds kSubjectTextSize bytes.
void ShopSubjectText(const char* shopName, char* out);
