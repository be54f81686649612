// The host's character sets. Mazovia (1) and the Windows code page for Polish (3) are single-byte
// sets whose lower half is ASCII, control characters included (the host's markup bytes \x01,
// \x02 and \x05 pass through every conversion unchanged); UTF-8 (6) is decoded strictly.
#include "host/texts/codepages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace host {
namespace {

// Mazovia: code page 437 (box drawing, Greek and symbols) with the Polish letters in place of
// some of its accented Latin letters.
constexpr char16_t kMazoviaHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0105, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x0107, 0x00C4, 0x0104,  // 88
    0x0118, 0x0119, 0x0142, 0x00F4, 0x00F6, 0x0106, 0x00FB, 0x00F9,  // 90
    0x015A, 0x00D6, 0x00DC, 0x00A2, 0x0141, 0x00A5, 0x015B, 0x0192,  // 98
    0x0179, 0x017B, 0x00F3, 0x00D3, 0x0144, 0x0143, 0x017A, 0x017C,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// The Windows code page for Polish; 0 marks the five bytes it leaves undefined.
constexpr char16_t kWindows1250High[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

constexpr char16_t kNoCharacter = 0;

const char16_t* HighHalf(int codePage) {
  switch (codePage) {
    case kCodePageMazovia: return kMazoviaHigh;
    case kCodePageWindows: return kWindows1250High;
    default: return nullptr;
  }
}

// Unicode back to a single-byte set: the table's pairs sorted by code point.
class ReverseTable {
 public:
  explicit ReverseTable(const char16_t* high) {
    std::size_t n = 0;
    for (int i = 0; i < 128; ++i) {
      if (high[i] != kNoCharacter) pairs_[n++] = {high[i], static_cast<unsigned char>(0x80 + i)};
    }
    count_ = n;
    std::sort(pairs_.begin(), pairs_.begin() + static_cast<std::ptrdiff_t>(n));
  }
  // The byte for a code point, or '?' when the set has no such character.
  char Find(char32_t codePoint) const {
    if (codePoint < 0x80) return static_cast<char>(codePoint);
    auto end = pairs_.begin() + static_cast<std::ptrdiff_t>(count_);
    auto it = std::lower_bound(pairs_.begin(), end, std::pair<char32_t, unsigned char>{codePoint, 0});
    if (it == end || it->first != codePoint) return '?';
    return static_cast<char>(it->second);
  }

 private:
  std::array<std::pair<char32_t, unsigned char>, 128> pairs_{};
  std::size_t count_ = 0;
};

const ReverseTable& Reverse(int codePage) {
  static const ReverseTable mazovia(kMazoviaHigh);
  static const ReverseTable windows(kWindows1250High);
  return codePage == kCodePageMazovia ? mazovia : windows;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 character at text[pos], advancing pos. A malformed sequence (bad lead
// byte, missing continuation, overlong form, surrogate, beyond U+10FFFF) consumes one byte and
// gives kInvalid.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kInvalid;
  }
  if (pos + static_cast<std::size_t>(length) > text.size()) {
    ++pos;
    return kInvalid;
  }
  for (int i = 1; i < length; ++i) {
    unsigned char next = byte(pos + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kInvalid;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return kInvalid;
  }
  pos += static_cast<std::size_t>(length);
  return value;
}

void EncodeUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool KnownCodePage(int codePage) {
  return codePage == kCodePageMazovia || codePage == kCodePageWindows || codePage == kCodePageUtf8;
}

std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage) {
  if (fromCodePage == toCodePage || !KnownCodePage(fromCodePage) || !KnownCodePage(toCodePage)) {
    return std::string(text);
  }
  std::string out;
  out.reserve(toCodePage == kCodePageUtf8 ? text.size() * 3 : text.size());
  const char16_t* fromHigh = HighHalf(fromCodePage);
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c;
    if (fromHigh != nullptr) {
      unsigned char b = static_cast<unsigned char>(text[pos++]);
      c = b < 0x80 ? char32_t{b} : static_cast<char32_t>(fromHigh[b - 0x80]);
      if (c == kNoCharacter) c = kInvalid;
    } else {
      c = DecodeUtf8(text, pos);
    }
    if (c == kInvalid) {
      out += '?';
    } else if (toCodePage == kCodePageUtf8) {
      EncodeUtf8(c, out);
    } else {
      out += Reverse(toCodePage).Find(c);
    }
  }
  return out;
}

}  // namespace host
