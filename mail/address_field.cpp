// The To and From fields: the settings value taken apart into addresses, groups, names and
// comments, and the names beyond ASCII written as encoded words.
#include "mail/address_field.h"

#include <cstring>

#include "mail/header_line.h"
#include "mail/header_text.h"
#include "output/setting_text.h"
#include "output/text_output.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

enum class Kind : unsigned char { kBlank, kWord, kQuoted, kComment, kAngle, kComma, kColon, kSemicolon };

struct Token {
  Kind kind;
  std::size_t begin;
  std::size_t end;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsSpecial(char c) {
  return c == '"' || c == '(' || c == '<' || c == ',' || c == ':' || c == ';';
}

// The end of the quoted string or comment that starts at begin: after its closing mark (a
// comment may hold comments), or the text's end when it has none.
std::size_t EnclosedEnd(const char* text, std::size_t length, std::size_t begin) {
  const bool comment = text[begin] == '(';
  int depth = 1;
  for (std::size_t i = begin + 1; i < length; ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (comment && text[i] == '(') {
      ++depth;
    } else if (text[i] == (comment ? ')' : '"') && --depth == 0) {
      return i + 1;
    }
  }
  return length;
}

// The token at pos (pos < length).
Token NextToken(const char* text, std::size_t length, std::size_t pos) {
  const char c = text[pos];
  std::size_t end = pos + 1;
  Kind kind = Kind::kWord;
  if (IsBlank(c)) {
    kind = Kind::kBlank;
    while (end < length && IsBlank(text[end])) ++end;
  } else if (c == '"' || c == '(') {
    kind = c == '"' ? Kind::kQuoted : Kind::kComment;
    end = EnclosedEnd(text, length, pos);
  } else if (c == '<') {
    kind = Kind::kAngle;
    while (end < length && text[end] != '>') ++end;
    if (end < length) ++end;
  } else if (c == ',' || c == ':' || c == ';') {
    kind = c == ',' ? Kind::kComma : c == ':' ? Kind::kColon : Kind::kSemicolon;
  } else {
    while (end < length && !IsBlank(text[end]) && !IsSpecial(text[end])) ++end;
  }
  return {kind, pos, end};
}

// Beside a comment, an angle address or a separator the grammar allows a blank, so a fold
// may go there even where the value has none.
bool AllowsFold(Kind kind) { return kind != Kind::kWord && kind != Kind::kQuoted && kind != Kind::kBlank; }

struct AddressWriter {
  HeaderLine* line;
  const char* text;     // the value in UTF-8
  std::size_t length;
  HeaderGap gap;        // what stands before the next piece
  Kind previous;        // the last piece put
  char* scratch;        // a name taken out of its quotes and escapes
  std::size_t scratchSize;
};

bool Ascii(const AddressWriter& w, const Token& t) { return IsAsciiText(w.text + t.begin, t.end - t.begin); }

bool HoldsAt(const AddressWriter& w, const Token& t) {
  return t.kind == Kind::kWord && std::memchr(w.text + t.begin, '@', t.end - t.begin) != nullptr;
}

// Appends text[begin, end) to the scratch, each backslash standing for the byte after it.
void AppendUnescaped(AddressWriter* w, std::size_t* used, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end && *used + 1 < w->scratchSize; ++i) {
    if (w->text[i] == '\\' && i + 1 < end) ++i;
    w->scratch[(*used)++] = w->text[i];
  }
}

// What a quoted string or comment encloses (its marks left out, the closing one if it has one).
void Inside(const AddressWriter& w, const Token& t, std::size_t* begin, std::size_t* end) {
  const char close = t.kind == Kind::kComment ? ')' : '"';
  *begin = t.begin + 1;
  *end = t.end > *begin && w.text[t.end - 1] == close ? t.end - 1 : t.end;
}

HeaderGap GapBefore(const AddressWriter& w, Kind kind) {
  if (w.gap.length > 0) return w.gap;
  return AllowsFold(kind) || AllowsFold(w.previous) ? kFoldable : kGlued;
}

// The width of the words and quoted strings that follow the token at end with no gap.
std::size_t GluedAfter(const AddressWriter& w, Kind kind, std::size_t end, std::size_t limit) {
  if (kind != Kind::kWord && kind != Kind::kQuoted) return 0;
  std::size_t width = 0;
  while (end < limit) {
    const Token next = NextToken(w.text, limit, end);
    if (next.kind != Kind::kWord && next.kind != Kind::kQuoted) break;
    width += next.end - next.begin;
    end = next.end;
  }
  return width;
}

// Puts a token as it stands; a blank waits for the piece after it, and a comment beyond ASCII
// becomes encoded words in its brackets.
void PutToken(AddressWriter* w, const Token& t, std::size_t limit) {
  if (t.kind == Kind::kBlank) {
    w->gap = HeaderGap{w->text + t.begin, t.end - t.begin, true};
    return;
  }
  const HeaderGap gap = GapBefore(*w, t.kind);
  if (t.kind == Kind::kComment && !Ascii(*w, t)) {
    std::size_t begin = 0;
    std::size_t end = 0;
    Inside(*w, t, &begin, &end);
    std::size_t used = 0;
    AppendUnescaped(w, &used, begin, end);
    PutEncodedWords(w->line, gap, "(", w->scratch, used, ")");
  } else {
    PutPiece(w->line, gap, w->text + t.begin, t.end - t.begin, GluedAfter(*w, t.kind, t.end, limit));
  }
  w->gap = kGlued;
  w->previous = t.kind;
}

void PutTokens(AddressWriter* w, std::size_t begin, std::size_t end) {
  for (std::size_t pos = begin; pos < end;) {
    const Token t = NextToken(w->text, end, pos);
    PutToken(w, t, end);
    pos = t.end;
  }
}

// What one address, or a group's name, holds.
struct Shape {
  std::size_t angle = kNone;       // the first angle address
  std::size_t nameBegin = kNone;   // the tokens before it, blanks around them left out
  std::size_t nameEnd = kNone;
  bool nameAscii = true;           // the words and quoted strings before it
  bool nameHoldsAt = false;        // a word before it holds an '@'
  bool restAscii = true;           // from the angle address on, comments left aside
  bool angleCut = false;           // an angle address without its ">" (a value cut at its field)
  bool stray = false;              // a colon or semicolon that neither opens nor closes a group
  int atWords = 0;                 // words holding an '@' (without an angle address)
  Token atWord{};
};

Shape ShapeOf(const AddressWriter& w, std::size_t begin, std::size_t end) {
  Shape shape;
  for (std::size_t pos = begin; pos < end;) {
    const Token t = NextToken(w.text, end, pos);
    pos = t.end;
    if (shape.angle == kNone && t.kind == Kind::kAngle) shape.angle = t.begin;
    if (t.kind == Kind::kAngle && w.text[t.end - 1] != '>') shape.angleCut = true;
    if (shape.angle != kNone) {
      if (t.kind != Kind::kComment && !Ascii(w, t)) shape.restAscii = false;
      continue;
    }
    if (t.kind == Kind::kBlank) continue;
    if (t.kind == Kind::kColon || t.kind == Kind::kSemicolon) shape.stray = true;
    if (shape.nameBegin == kNone) shape.nameBegin = t.begin;
    shape.nameEnd = t.end;
    if (t.kind != Kind::kComment && !Ascii(w, t)) shape.nameAscii = false;
    if (HoldsAt(w, t)) {
      shape.nameHoldsAt = true;
      ++shape.atWords;
      shape.atWord = t;
    }
  }
  return shape;
}

// The blanks before begin's first other token go before the next piece; returns that token.
std::size_t SkipBlanks(AddressWriter* w, std::size_t begin, std::size_t end) {
  if (begin < end) {
    const Token t = NextToken(w->text, end, begin);
    if (t.kind == Kind::kBlank) {
      PutToken(w, t, end);
      return t.end;
    }
  }
  return begin;
}

// A name as encoded words: text[begin, end), out of its quotes when it is one quoted string.
void PutName(AddressWriter* w, std::size_t begin, std::size_t end) {
  if (end - begin >= 2 && w->text[begin] == '"' && w->text[end - 1] == '"') {
    ++begin;
    --end;
  }
  std::size_t used = 0;
  AppendUnescaped(w, &used, begin, end);
  PutEncodedWords(w->line, GapBefore(*w, Kind::kWord), "", w->scratch, used, "");
  w->gap = kOneBlank;  // a blank after a word, which some readers want before a mark
  w->previous = Kind::kWord;
}

// An address written without brackets beside words beyond ASCII: the words, in their order,
// become the name before "<address>"; comments follow it.
void PutBareAddress(AddressWriter* w, std::size_t begin, std::size_t end, const Token& address) {
  std::size_t used = 0;
  bool apart = false;
  for (std::size_t pos = begin; pos < end;) {
    const Token t = NextToken(w->text, end, pos);
    pos = t.end;
    if (t.kind != Kind::kWord && t.kind != Kind::kQuoted) {
      apart = true;
      continue;
    }
    if (t.begin == address.begin) continue;
    if (apart && used > 0 && used + 1 < w->scratchSize) w->scratch[used++] = ' ';
    apart = false;
    std::size_t inner = t.begin;
    std::size_t innerEnd = t.end;
    if (t.kind == Kind::kQuoted) Inside(*w, t, &inner, &innerEnd);
    AppendUnescaped(w, &used, inner, innerEnd);
  }
  PutEncodedWords(w->line, GapBefore(*w, Kind::kWord), "", w->scratch, used, "");
  const std::size_t addressLength = address.end - address.begin;
  PutPiece(w->line, kOneBlank, "<", 1, addressLength + 1);
  PutPiece(w->line, kGlued, w->text + address.begin, addressLength, 1);
  PutPiece(w->line, kGlued, ">", 1);
  w->gap = kGlued;
  w->previous = Kind::kAngle;
  for (std::size_t pos = begin; pos < end;) {
    const Token t = NextToken(w->text, end, pos);
    pos = t.end;
    if (t.kind == Kind::kComment) {
      w->gap = kOneBlank;
      PutToken(w, t, end);
    } else if (t.kind == Kind::kBlank && t.end == end) {
      PutToken(w, t, end);  // before the separator, as it stood
    }
  }
}

// One address of the list, text[begin, end); false when it cannot be written.
bool PutAddress(AddressWriter* w, std::size_t begin, std::size_t end) {
  const Shape shape = ShapeOf(*w, begin, end);
  if (shape.angle != kNone) {
    if (!shape.restAscii || shape.angleCut) return false;
    if (shape.nameAscii) {
      PutTokens(w, begin, end);
      return true;
    }
    if (shape.nameHoldsAt) return false;  // an address inside the name would be lost in it
    SkipBlanks(w, begin, end);
    PutName(w, shape.nameBegin, shape.nameEnd);
    PutTokens(w, shape.angle, end);
    return true;
  }
  if (shape.nameAscii) {
    PutTokens(w, begin, end);
    return true;
  }
  // The words become a name, so they must leave exactly one address, and nothing but words.
  if (shape.atWords != 1 || !Ascii(*w, shape.atWord) || shape.stray) return false;
  PutBareAddress(w, SkipBlanks(w, begin, end), end, shape.atWord);
  return true;
}

// A group's name, text[begin, end) before its colon; false when it cannot be written.
bool PutGroupName(AddressWriter* w, std::size_t begin, std::size_t end) {
  const Shape shape = ShapeOf(*w, begin, end);
  if (shape.nameAscii) {
    PutTokens(w, begin, end);
    return true;
  }
  if (shape.angle != kNone || shape.nameHoldsAt) return false;  // it would be lost in the name
  SkipBlanks(w, begin, end);
  PutName(w, shape.nameBegin, shape.nameEnd);
  return true;
}

// The list: addresses apart at commas, a group from its name's colon to its semicolon.
bool PutAddressList(AddressWriter* w) {
  bool inGroup = false;
  std::size_t start = 0;
  std::size_t pos = 0;
  for (;;) {
    Token separator{Kind::kComma, w->length, w->length};
    bool found = false;
    while (!found && pos < w->length) {
      const Token t = NextToken(w->text, w->length, pos);
      pos = t.end;
      found = t.kind == Kind::kComma || (t.kind == Kind::kColon && !inGroup) ||
              (t.kind == Kind::kSemicolon && inGroup);
      if (found) separator = t;
    }
    const bool put = found && separator.kind == Kind::kColon ? PutGroupName(w, start, separator.begin)
                                                              : PutAddress(w, start, separator.begin);
    if (!put) return false;
    if (!found) return true;
    PutToken(w, separator, w->length);
    if (separator.kind == Kind::kColon) inGroup = true;
    if (separator.kind == Kind::kSemicolon) inGroup = false;
    start = separator.end;
  }
}

}  // namespace

bool AddressField(const char* name, const char* value, int fieldSize, char* out, std::size_t size) {
  char text[Utf8SettingSize(kLongestHeaderValueField)];
  const int length = HeaderValueInUtf8(value, fieldSize, text, sizeof text);
  if (length < 0) return false;
  char lead[16];
  FormatText(lead, sizeof lead, "%s: ", name);
  HeaderLine line;
  StartHeaderLine(&line, out, size, lead);
  const auto textLength = static_cast<std::size_t>(length);
  if (IsAsciiText(text, textLength)) {
    PutPiece(&line, kGlued, text, textLength);
    return EndHeaderLine(&line);
  }
  char scratch[sizeof text];
  AddressWriter writer{&line, text, textLength, kGlued, Kind::kBlank, scratch, sizeof scratch};
  return PutAddressList(&writer) && EndHeaderLine(&line);
}
