// The conversion services: whole texts, and texts cut to a capacity at a character.
#include "host/texts/conversion.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "host/texts/codepages.h"

namespace host {
namespace {

// How many bytes of a converted text fit into `room` bytes without cutting a character: a
// single-byte target can be cut anywhere, a UTF-8 target only before a lead byte.
std::size_t FittingPrefix(const std::string& text, std::size_t room, int toCodePage) {
  if (text.size() <= room) return text.size();
  std::size_t cut = room;
  if (toCodePage == kCodePageUtf8) {
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  }
  return cut;
}

// One character of a single-byte code page in UTF-8: at most three bytes.
struct Utf8Character {
  char bytes[4];
  unsigned char length;
};

// The UTF-8 form of every byte of code page 1 or 3, made once from the code-page tables, so
// that the plug-in's piece-by-piece output costs one table look-up a byte and no allocation.
const Utf8Character* Utf8Table(int codePage) {
  static const auto make = [](int page) {
    std::array<Utf8Character, 256> table{};
    for (int byte = 1; byte < 256; ++byte) {
      std::string one = ConvertCodePage(std::string(1, static_cast<char>(byte)), page, kCodePageUtf8);
      auto& entry = table[static_cast<std::size_t>(byte)];
      entry.length = static_cast<unsigned char>(one.size());
      std::memcpy(entry.bytes, one.data(), one.size());
    }
    return table;
  };
  static const std::array<Utf8Character, 256> mazovia = make(kCodePageMazovia);
  static const std::array<Utf8Character, 256> windows = make(kCodePageWindows);
  if (codePage == kCodePageMazovia) return mazovia.data();
  return codePage == kCodePageWindows ? windows.data() : nullptr;
}

}  // namespace

// Converts the zero-terminated source into destination, which may be the same buffer. The
// destination is the caller's to size: the converted text and its NUL are written whole. A
// single-byte target never needs more room than the source; a UTF-8 target needs up to three
// bytes per source character from Mazovia or the Windows code page (box drawing and symbols;
// Polish letters take two). The source is read completely before anything is written, so an
// in-place conversion to a longer text is safe as long as the buffer is large enough.
// Returns the length of the converted text without its NUL; -1 for a null pointer or an
// unknown code page, in which case the text is copied unchanged (when both pointers are set).
int HOSTAPI HostConvertText(const char* source, char* destination, int fromCodePage,
                            int toCodePage) {
  if (source == nullptr || destination == nullptr) return -1;
  std::string converted = ConvertCodePage(source, fromCodePage, toCodePage);
  std::memmove(destination, converted.data(), converted.size());
  destination[converted.size()] = '\0';
  if (!KnownCodePage(fromCodePage) || !KnownCodePage(toCodePage)) return -1;
  return static_cast<int>(converted.size());
}

// Converts sourceLength bytes of source (-1: up to its NUL; a NUL earlier ends it too) and
// writes the result with its NUL into destination, never more than capacity bytes in all. A
// text that does not fit is cut at a character boundary: a UTF-8 sequence is never split.
// Returns the number of bytes written without the NUL, or -1 when nothing could be written
// (null pointers, capacity below 1).
int HOSTAPI HostConvertTextSized(char* destination, int capacity, const char* source,
                                 int sourceLength, int fromCodePage, int toCodePage) {
  if (destination == nullptr || capacity < 1) return -1;
  if (source == nullptr) {
    destination[0] = '\0';
    return -1;
  }
  std::size_t length = 0;
  if (sourceLength < 0) {
    length = std::strlen(source);
  } else {
    length = static_cast<std::size_t>(sourceLength);
    if (const void* nul = std::memchr(source, '\0', length)) {
      length = static_cast<std::size_t>(static_cast<const char*>(nul) - source);
    }
  }
  // Single-byte to UTF-8, the report's and the mail's way: straight through the table, each
  // character whole or not at all, exactly as the general path below cuts.
  // (Overlapping buffers take the general path, which reads the whole source first.)
  const auto from = reinterpret_cast<std::uintptr_t>(source);
  const auto to = reinterpret_cast<std::uintptr_t>(destination);
  const bool overlap = to < from + length && from < to + static_cast<std::size_t>(capacity);
  if (const Utf8Character* table = toCodePage == kCodePageUtf8 && !overlap ? Utf8Table(fromCodePage) : nullptr) {
    const std::size_t room = static_cast<std::size_t>(capacity) - 1;
    std::size_t used = 0;
    std::size_t i = 0;
    // While three bytes a character surely fit, no character needs its own room check.
    for (; i < length && used + 3 * (length - i) <= room; ++i) {
      const auto byte = static_cast<unsigned char>(source[i]);
      if (byte < 0x80) {
        destination[used++] = static_cast<char>(byte);
      } else {
        const Utf8Character& c = table[byte];
        destination[used] = c.bytes[0];
        destination[used + 1] = c.bytes[1];
        destination[used + 2] = c.bytes[2];
        used += c.length;
      }
    }
    for (; i < length; ++i) {
      const Utf8Character& c = table[static_cast<unsigned char>(source[i])];
      if (used + c.length > room) break;
      std::memcpy(destination + used, c.bytes, c.length);
      used += c.length;
    }
    destination[used] = '\0';
    return static_cast<int>(used);
  }
  std::string converted = ConvertCodePage(std::string_view(source, length), fromCodePage, toCodePage);
  std::size_t n = FittingPrefix(converted, static_cast<std::size_t>(capacity) - 1, toCodePage);
  std::memmove(destination, converted.data(), n);
  destination[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace host
