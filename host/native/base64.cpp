// Base64 through OpenSSL's EVP_EncodeBlock: no line breaks, as the host's service gives it.
#include "host/system/base64.h"

#include <openssl/evp.h>

namespace host {

int EncodeBase64(char* text, const unsigned char* data, int length) {
  text[0] = '\0';
  if (length <= 0) return 0;
  return EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text), data, length);
}

}  // namespace host
