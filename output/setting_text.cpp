// Settings texts typed in UTF-8 told apart from Mazovia ones, and either made the other.
#include "output/setting_text.h"

#include <cstring>

#include "binding/host_api.h"

namespace {

// The text's bytes, at most fieldSize - 1 (the field's last byte is its NUL).
std::size_t BoundedLength(const char* text, std::size_t fieldSize) {
  std::size_t length = 0;
  while (length + 1 < fieldSize && text[length] != '\0') ++length;
  return length;
}

// The bytes of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether byte can stand at place (1 and on) of the sequence lead starts. After some leads the
// second byte's range is narrower: no overlong form, no surrogate, nothing beyond U+10FFFF.
bool Continues(unsigned char lead, std::size_t place, unsigned char byte) {
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (place == 1) {
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  return byte >= low && byte <= high;
}

struct Utf8Scan {
  bool utf8;           // valid UTF-8 with a multi-byte character
  std::size_t usable;  // the bytes to use: without a character cut at the field's end
};

Utf8Scan ScanUtf8(const char* text, std::size_t fieldSize) {
  const std::size_t length = BoundedLength(text, fieldSize);
  const bool full = fieldSize > 0 && length == fieldSize - 1;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  bool multiByte = false;
  for (std::size_t i = 0; i < length;) {
    const std::size_t need = SequenceLength(bytes[i]);
    if (need == 0) return {false, length};
    std::size_t have = 1;
    while (have < need && i + have < length && Continues(bytes[i], have, bytes[i + have])) ++have;
    if (have < need) {
      // Only the settings service's cut at the end of a full field leaves a character short.
      if (!full || i + have != length) return {false, length};
      return {true, i};
    }
    multiByte = multiByte || need > 1;
    i += need;
  }
  return {multiByte, length};
}

void Copy(const char* text, std::size_t length, char* out, std::size_t outSize) {
  if (length > outSize - 1) length = outSize - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

}  // namespace

bool IsUtf8Text(const char* text, std::size_t fieldSize) { return ScanUtf8(text, fieldSize).utf8; }

std::size_t SettingTextLength(const char* text, std::size_t fieldSize) {
  return ScanUtf8(text, fieldSize).usable;
}

void SettingTextInMazovia(const char* text, std::size_t fieldSize, char* out, std::size_t outSize) {
  if (outSize == 0) return;
  const Utf8Scan scan = ScanUtf8(text, fieldSize);
  out[0] = '\0';
  if (scan.utf8 && HostConvertTextSized(out, static_cast<int>(outSize), text, static_cast<int>(scan.usable),
                                        kCodePageUtf8, kCodePageMazovia) >= 0) {
    out[outSize - 1] = '\0';
    return;
  }
  Copy(text, scan.usable, out, outSize);
}

int SettingTextInUtf8(const char* text, std::size_t fieldSize, char* out, std::size_t outSize) {
  if (outSize == 0) return -1;
  const Utf8Scan scan = ScanUtf8(text, fieldSize);
  out[0] = '\0';
  if (scan.utf8) {
    if (scan.usable > outSize - 1) return -1;
    Copy(text, scan.usable, out, outSize);
    return static_cast<int>(scan.usable);
  }
  // A Mazovia character takes at most three bytes: with that room the host never cuts, and a
  // conversion shorter than the text lost something.
  if (scan.usable == 0) return 0;
  if (3 * scan.usable > outSize - 1) return -1;
  const int converted = HostConvertTextSized(out, static_cast<int>(outSize), text, static_cast<int>(scan.usable),
                                             kCodePageMazovia, kCodePageUtf8);
  out[outSize - 1] = '\0';
  if (converted < 0 || static_cast<std::size_t>(converted) < scan.usable) {
    out[0] = '\0';
    return -1;
  }
  return converted;
}
