// The shop files' CSV reader: RFC 4180, one row at a time, with the line and column of every
// field for the faults it and its callers report.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct ShopError {
  std::string file;
  long line = 0;
  long column = 0;
  std::string reason;
  std::string Text() const;  // "file:line:column: reason"
};

// A streaming RFC 4180 reader: one row at a time, fields with the line and column (1-based,
// counted in characters) where they start. Quoted fields may hold commas, doubled quotes and
// line breaks; rows end with LF or CRLF.
class CsvReader {
 public:
  // Reads from an open file (not closed by the reader) or from a text in memory.
  CsvReader(std::FILE* file, std::string fileName);
  CsvReader(std::string_view text, std::string fileName);

  // The next row; false at the end of the input or on a fault (then error() tells which).
  bool Next();

  std::size_t FieldCount() const { return fields_.size(); }
  std::string_view Field(std::size_t i) const {
    return std::string_view(rowData_ + fields_[i].begin, fields_[i].end - fields_[i].begin);
  }
  long FieldLine(std::size_t i) const { return fields_[i].line; }
  long FieldColumn(std::size_t i) const { return fields_[i].column; }
  long RowLine() const { return fields_.empty() ? line_ : fields_[0].line; }
  // The position just past the row's last field, for "missing field" faults.
  long EndLine() const { return endLine_; }
  long EndColumn() const { return endColumn_; }
  const std::string& FileName() const { return fileName_; }
  const std::optional<ShopError>& error() const { return error_; }

 private:
  struct FieldSpan {
    std::size_t begin;
    std::size_t end;
    long line;
    long column;
  };
  // A row read character by character: where its field stands, and where a quoted field
  // began (for the faults).
  enum FieldState { kFieldStart, kUnquoted, kQuoted, kAfterQuote };
  struct RowState {
    FieldState state = kFieldStart;
    bool quoted = false;  // a field of the row was quoted (then it is no blank line)
    long quoteLine = 0;
    long quoteColumn = 0;
    bool ended = false;
  };
  enum class RowEnd { kRow, kInputEnd, kNothing, kFault };

  int Get();
  bool Start();
  bool FastRow();
  RowEnd SlowRow();
  bool InputEndsWell(const RowState& row, long line, long column);
  bool CharacterFits(int c, const RowState& row, long line, long column);
  bool LineFeedFollows(long crLine, long crColumn);
  bool Take(int c, bool endOfLine, RowState& row, long line, long column);
  bool NextField(RowState& row, long line, long column);
  void EndRow(RowState& row, long line, long column);
  void Fail(long line, long column, std::string reason);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  bool started_ = false;
  std::string fileName_;
  std::string row_;               // the row's fields, unquoted, when read character by character
  const char* rowData_ = nullptr;  // the fields' bytes: row_, or the row itself in the buffer
  std::vector<FieldSpan> fields_;
  long line_ = 1;
  long column_ = 0;  // characters already read on the current line
  long endLine_ = 1;
  long endColumn_ = 1;
  bool blankRow_ = false;  // the row SlowRow read last was a blank line
  std::optional<ShopError> error_;
};

}  // namespace host
