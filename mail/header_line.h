// One header field written piece by piece into a fixed buffer, with texts beyond ASCII as
// RFC 2047 encoded words of their UTF-8 form. Every line that holds an encoded word stays
// within 76 characters, its field name included: a fold (a line end and a blank) goes where a
// blank may stand. Nothing is ever cut to fit: a piece the buffer cannot hold, or a line that
// cannot be kept within the limit, marks the field failed.
#pragma once

#include <cstddef>

// The longest line holding an encoded word, and the longest encoded word (RFC 2047).
inline constexpr std::size_t kEncodedLineLimit = 76;
inline constexpr std::size_t kEncodedWordLimit = 75;

// What stands between a piece and the one before it.
struct HeaderGap {
  const char* blank;   // the blanks written there (may be empty)
  std::size_t length;
  bool foldable;       // a fold may go there; with no blanks, only on a line holding an
                       // encoded word, and the fold brings a blank of its own
};
inline constexpr HeaderGap kGlued{"", 0, false};
inline constexpr HeaderGap kOneBlank{" ", 1, true};
inline constexpr HeaderGap kFoldable{"", 0, true};

struct HeaderLine {
  char* text;              // the caller's buffer, always zero-terminated
  std::size_t size;
  std::size_t used;
  std::size_t lineStart;   // where the current line begins in text
  bool lineHasContent;     // a piece stands on the current line after its lead
  bool lineEncoded;        // the current line holds an encoded word
  bool failed;
};

// Starts the field with lead ("To: ", "Subject: Raport ze sklepu") in buffer (size bytes).
void StartHeaderLine(HeaderLine* line, char* buffer, std::size_t size, const char* lead);

// Puts length bytes of piece after gap. gluedAfter is the width of what will follow the piece
// with no gap: it must fit on the same line.
void PutPiece(HeaderLine* line, HeaderGap gap, const char* piece, std::size_t length,
              std::size_t gluedAfter = 0);

// Puts length bytes of UTF-8 text after gap as encoded words, blanks between them; open (such
// as "(") stands right before the first word and close right after the last one.
void PutEncodedWords(HeaderLine* line, HeaderGap gap, const char* open, const char* text,
                     std::size_t length, const char* close);

// Ends the field: true when every piece went in whole and every line holding an encoded word
// is within the limit.
bool EndHeaderLine(HeaderLine* line);
