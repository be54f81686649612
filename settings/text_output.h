// Formatting into memory, formatted notices and formatted writing to a host file in UTF-8.
#pragma once

#include <cstddef>

#include "frame/host_types.h"

// Formats into a caller's buffer of the given size; a text too long is cut, never written
// past the buffer. Returns the number of characters stored, without the NUL.
int FormatText(char* buffer, std::size_t size, const char* format, ...);

// Formats one piece, converts it from Mazovia to UTF-8 through the host and appends it to the
// file.
void _fprintfUTF(HostFile* file, const char* format, ...);

// A notice formatted by the host from format and values.
void ShowMessageV(const char* title, const char* format, int style, ...);
