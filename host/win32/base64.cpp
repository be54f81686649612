// Base64 through CryptBinaryToStringA, without line breaks, as the host's Base64 service
// gives it; the same text as OpenSSL's EVP_EncodeBlock in the native build.
#include "host/system/base64.h"

#include <windows.h>
#include <wincrypt.h>

namespace host {

int EncodeBase64(char* text, const unsigned char* data, int length) {
  text[0] = '\0';
  if (length <= 0) return 0;
  DWORD size = static_cast<DWORD>(4 * ((length + 2) / 3) + 1);
  if (!CryptBinaryToStringA(data, static_cast<DWORD>(length), CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF,
                            text, &size)) {
    text[0] = '\0';
    return -1;
  }
  return static_cast<int>(size);
}

}  // namespace host
