// A header field in a fixed buffer, folded at blanks, with encoded words where it needs them.
#include "mail/header_line.h"

#include <cstring>

namespace {

constexpr char kWordStart[] = "=?UTF-8?Q?";
constexpr char kWordEnd[] = "?=";
constexpr std::size_t kWordMarks = (sizeof kWordStart - 1) + (sizeof kWordEnd - 1);
constexpr std::size_t kWordPayload = kEncodedWordLimit - kWordMarks;
// A character of four UTF-8 bytes, each "=XX".
constexpr std::size_t kLongestEncodedCharacter = 12;
// After a fold a word always fits: its blank, a bracket before and after it, its marks and the
// longest character.
static_assert(1 + 2 + kWordMarks + kLongestEncodedCharacter <= kEncodedLineLimit);

std::size_t Column(const HeaderLine& line) { return line.used - line.lineStart; }

void Append(HeaderLine* line, const char* text, std::size_t length) {
  if (line->failed) return;
  if (line->used + length + 1 > line->size) {
    line->failed = true;
    return;
  }
  std::memcpy(line->text + line->used, text, length);
  line->used += length;
  line->text[line->used] = '\0';
}

void EndLine(HeaderLine* line) {
  if (line->lineEncoded && Column(*line) > kEncodedLineLimit) line->failed = true;
}

// A line end and the gap's blanks (one blank of its own when the gap has none).
void Fold(HeaderLine* line, HeaderGap gap) {
  EndLine(line);
  Append(line, "\n", 1);
  line->lineStart = line->used;
  if (gap.length > 0) {
    Append(line, gap.blank, gap.length);
  } else {
    Append(line, " ", 1);
  }
  line->lineHasContent = false;
  line->lineEncoded = false;
}

// The gap before a piece width characters wide: its blanks, or a fold when the piece does not
// fit and a fold may go there.
void PutGap(HeaderLine* line, HeaderGap gap, std::size_t width) {
  const bool fits = Column(*line) + gap.length + width <= kEncodedLineLimit;
  const bool mayFold = gap.foldable && line->lineHasContent && (gap.length > 0 || line->lineEncoded);
  if (!fits && mayFold) {
    Fold(line, gap);
  } else {
    Append(line, gap.blank, gap.length);
  }
}

bool IsPlain(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The bytes of the UTF-8 character at text (a stray byte counts alone).
std::size_t CharacterLength(const unsigned char* text, std::size_t left) {
  const unsigned char lead = *text;
  std::size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
  if (length > left) length = left;
  for (std::size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return i;
  }
  return length;
}

// The Q encoding of a character: letters and digits as they are, a blank as "_", every other
// byte as "=XX"; safe in a subject, a display name and a comment alike.
std::size_t EncodeCharacter(const unsigned char* text, std::size_t length, char* out) {
  static const char kHex[] = "0123456789ABCDEF";
  std::size_t used = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (IsPlain(c)) {
      out[used++] = static_cast<char>(c);
    } else if (c == ' ') {
      out[used++] = '_';
    } else {
      out[used++] = '=';
      out[used++] = kHex[c >> 4];
      out[used++] = kHex[c & 0x0F];
    }
  }
  return used;
}

// How many bytes of text go into one word whose payload may take payload characters, when
// room characters are left on the line for the payload and, after the text's last character,
// closeLength more.
std::size_t WordBytes(const unsigned char* text, std::size_t length, std::size_t room,
                      std::size_t closeLength) {
  const std::size_t payload = room < kWordPayload ? room : kWordPayload;
  std::size_t taken = 0;
  std::size_t encoded = 0;
  while (taken < length) {
    const std::size_t bytes = CharacterLength(text + taken, length - taken);
    char scratch[kLongestEncodedCharacter];
    const std::size_t width = EncodeCharacter(text + taken, bytes, scratch);
    const bool last = taken + bytes == length;
    if (encoded + width > payload || (last && encoded + width + closeLength > room)) break;
    encoded += width;
    taken += bytes;
  }
  return taken;
}

// The payload room of a word put after gap with open before it on the current line.
std::size_t WordRoom(const HeaderLine& line, std::size_t gapLength, std::size_t openLength) {
  const std::size_t taken = Column(line) + gapLength + openLength + kWordMarks;
  return taken < kEncodedLineLimit ? kEncodedLineLimit - taken : 0;
}

}  // namespace

void StartHeaderLine(HeaderLine* line, char* buffer, std::size_t size, const char* lead) {
  *line = HeaderLine{buffer, size, 0, 0, false, false, size == 0};
  if (size > 0) buffer[0] = '\0';
  Append(line, lead, std::strlen(lead));
}

void PutPiece(HeaderLine* line, HeaderGap gap, const char* piece, std::size_t length,
              std::size_t gluedAfter) {
  PutGap(line, gap, length + gluedAfter);
  Append(line, piece, length);
  if (length > 0) line->lineHasContent = true;
}

void PutEncodedWords(HeaderLine* line, HeaderGap gap, const char* open, const char* text,
                     std::size_t length, const char* close) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const std::size_t openLength = std::strlen(open);
  const std::size_t closeLength = std::strlen(close);
  std::size_t done = 0;
  bool first = true;
  while (done < length && !line->failed) {
    const HeaderGap before = first ? gap : kOneBlank;
    const std::size_t lead = first ? openLength : 0;
    std::size_t taken = WordBytes(bytes + done, length - done, WordRoom(*line, before.length, lead), closeLength);
    // A text that does not fit whole after what stands on the line starts a line of its own:
    // the fewer words a name is split into, the fewer places where a reader that does not join
    // adjacent words (Python's address parser) shows a blank that is not there.
    if (taken < length - done && before.foldable && line->lineHasContent) {
      Fold(line, before);
      taken = WordBytes(bytes + done, length - done, WordRoom(*line, 0, lead), closeLength);
    } else {
      Append(line, before.blank, before.length);
    }
    if (taken == 0) {
      line->failed = true;
      return;
    }
    if (first) Append(line, open, openLength);
    Append(line, kWordStart, sizeof kWordStart - 1);
    for (std::size_t i = done; i < done + taken;) {
      const std::size_t characterBytes = CharacterLength(bytes + i, done + taken - i);
      char encoded[kLongestEncodedCharacter];
      Append(line, encoded, EncodeCharacter(bytes + i, characterBytes, encoded));
      i += characterBytes;
    }
    Append(line, kWordEnd, sizeof kWordEnd - 1);
    done += taken;
    if (done == length) Append(line, close, closeLength);
    line->lineHasContent = true;
    line->lineEncoded = true;
    first = false;
  }
}

bool EndHeaderLine(HeaderLine* line) {
  EndLine(line);
  return !line->failed;
}
