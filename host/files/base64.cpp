// HostBase64Encode(data, length): a host block (given back with HostFree) holding the Base64
// text of the bytes, without line breaks, and a NUL; null when the block cannot be had or the
// system cannot encode.
#include "host/files/base64.h"

#include <climits>
#include <cstddef>

#include "host/memory/memory.h"
#include "host/system/base64.h"

namespace host {

char* HOSTAPI HostBase64Encode(const void* data, int length) {
  if (length < 0 || (data == nullptr && length > 0)) return nullptr;
  const std::size_t size = 4 * ((static_cast<std::size_t>(length) + 2) / 3) + 1;
  if (size > static_cast<std::size_t>(INT_MAX)) return nullptr;
  auto* text = static_cast<char*>(HostAlloc(static_cast<int>(size)));
  if (text == nullptr) return nullptr;
  const int written = EncodeBase64(text, static_cast<const unsigned char*>(data), length);
  if (written < 0) {
    HostFree(text);
    return nullptr;
  }
  text[written] = '\0';
  return text;
}

}  // namespace host
