// Texts that go into the message's header lines. A value never starts a new line, whatever
// the settings file holds, and a text beyond ASCII travels as RFC 2047 encoded words of its
// UTF-8 form, which every mail reader shows and strict mail servers accept.
#pragma once

#include <cstddef>

// Room for any header text: a shop name of 99 characters, or an address line of 149, takes
// at most three bytes a character in UTF-8 and three characters a byte in an encoded word;
// the words' own marks and folds come on top.
inline constexpr int kHeaderTextSize = 1536;

// value with every CR, LF and other control byte but the tab turned into a blank, into out
// (size bytes, always zero-terminated).
void HeaderValue(const char* value, char* out, std::size_t size);

// The text of the first Subject line after "Subject: ": "Raport ze sklepu <name>." with an
// ASCII name as it stands, byte for byte; with a name holding any byte beyond ASCII,
// "Raport ze sklepu " followed by "<name>." as encoded words ("=?UTF-8?Q?...?="), each at
// most 75 characters, folded onto lines of their own. out holds kHeaderTextSize bytes.
void ShopSubjectText(const char* shopName, char* out);

// The text of a To or From line after "To: " or "From: ", from the settings value (one
// address or several, commas apart). An ASCII value stands byte for byte. Otherwise each
// address whose display name ("Łukasz Nowak <l@x.pl>", quoted or not) holds a byte beyond
// ASCII gets that name as encoded words; the address itself, and every other address, stays
// as written. out holds kHeaderTextSize bytes.
void AddressHeaderText(const char* value, char* out);
