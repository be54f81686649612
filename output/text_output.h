// Formatting into memory, formatted notices and formatted writing to a host file in UTF-8.
#pragma once

#include <cstddef>

#include "contract/host_types.h"

// The longest piece _fprintfUTF writes, before conversion (201 KiB).
inline constexpr int kLongestPiece = 201 * 1024;

// Formats into a caller's buffer of the given size; a text too long is cut, never written
// past the buffer. Returns the number of characters stored, without the NUL; -1 when the
// format cannot be formatted (the buffer then holds the empty text).
int FormatText(char* buffer, std::size_t size, const char* format, ...);

// Formats one piece, converts it from Mazovia to UTF-8 through the host and appends it to the
// file. A piece is at most kLongestPiece bytes before conversion; a longer one is cut to that.
// Returns 0 when the piece went to the file, -1 when it did not (no memory for it, or the
// host refused the write, as on a full disk): callers that must not pass on a partial file
// look at it; the others may ignore it.
int _fprintfUTF(HostFile* file, const char* format, ...);

// A notice formatted by the host from format and values.
void ShowMessageV(const char* title, const char* format, int style, ...);
