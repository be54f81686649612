// Base64 of the Win32 host, from the system's crypt32.
#pragma once

namespace host::win32 {

// Writes the Base64 text of length bytes (no line breaks) and a NUL into text, which holds
// 4 * ((length + 2) / 3) + 1 bytes. Returns the characters written, without the NUL;
// -1 when the system cannot encode.
int EncodeBase64(char* text, const unsigned char* data, int length);

}  // namespace host::win32
