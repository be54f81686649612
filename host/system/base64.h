// Base64 from the system's own library (native: OpenSSL; Win32: crypt32).
#pragma once

namespace host {

// Writes the Base64 text of length bytes (no line breaks) and a NUL into text, which holds
// 4 * ((length + 2) / 3) + 1 bytes. Returns the characters written, without the NUL;
// -1 when the system cannot encode.
int EncodeBase64(char* text, const unsigned char* data, int length);

}  // namespace host
