// The streaming RFC 4180 reader (see csv_reader.h).
#include "host/shop/csv_reader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace host {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;
constexpr std::size_t kLongestRow = 1 << 16;
constexpr std::size_t kMostFields = 256;

}  // namespace

std::string ShopError::Text() const {
  if (line <= 0) return file + ": " + reason;
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + reason;
}

CsvReader::CsvReader(std::FILE* file, std::string fileName)
    : file_(file), buffer_(kReadBlock), fileName_(std::move(fileName)) {
  row_.reserve(1024);
  fields_.reserve(16);
}

CsvReader::CsvReader(std::string_view text, std::string fileName)
    : data_(text.data()), size_(text.size()), fileName_(std::move(fileName)) {
  row_.reserve(1024);
  fields_.reserve(16);
}

int CsvReader::Get() {
  if (pos_ == size_) {
    if (file_ == nullptr) return -1;
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    data_ = buffer_.data();
    pos_ = 0;
    if (size_ == 0) return -1;
  }
  return static_cast<unsigned char>(data_[pos_++]);
}

void CsvReader::Fail(long line, long column, std::string reason) {
  error_ = ShopError{fileName_, line, column, std::move(reason)};
}

bool CsvReader::Next() {
  if (error_) return false;
  if (!started_ && !Start()) return false;
  if (FastRow()) return true;
  for (;;) {  // once per row; blank lines are skipped
    const RowEnd end = SlowRow();
    if (end == RowEnd::kNothing || end == RowEnd::kFault) return false;
    if (!blankRow_) {
      rowData_ = row_.data();
      return true;
    }
    if (end == RowEnd::kInputEnd) return false;
  }
}

// The first read: a byte order mark is skipped, anything else is read again.
bool CsvReader::Start() {
  started_ = true;
  const int first = Get();
  if (first < 0) return false;
  --pos_;
  if (first == 0xEF && pos_ + 3 <= size_ && data_[pos_ + 1] == '\xBB' && data_[pos_ + 2] == '\xBF') pos_ += 3;
  return true;
}

// One row character by character into row_ and fields_, with every fault reported.
CsvReader::RowEnd CsvReader::SlowRow() {
  row_.clear();
  fields_.clear();
  RowState row;
  fields_.push_back({0, 0, line_, column_ + 1});
  bool atEnd = false;
  bool any = false;
  while (!row.ended) {
    const long line = line_;
    const long column = column_ + 1;
    const int c = Get();
    if (c < 0) {
      if (!any) return RowEnd::kNothing;  // nothing left but the end of the input
      if (!InputEndsWell(row, line, column)) return RowEnd::kFault;
      atEnd = true;
    }
    any = true;
    if (c == '\n') {
      ++line_;
      column_ = 0;
    } else if (c >= 0 && (c & 0xC0) != 0x80) {
      ++column_;
    }
    if (!CharacterFits(c, row, line, column)) return RowEnd::kFault;
    bool endOfLine = atEnd || c == '\n';
    if (c == '\r' && row.state != kQuoted) {
      if (!LineFeedFollows(line, column)) return RowEnd::kFault;
      endOfLine = true;
    }
    if (!Take(c, endOfLine, row, line, column)) return RowEnd::kFault;
  }
  blankRow_ = fields_.size() == 1 && row_.empty() && !row.quoted;
  return atEnd ? RowEnd::kInputEnd : RowEnd::kRow;
}

// At the end of the input inside a row: a quoted field left open, or a file that could not be
// read to its end, is a fault.
bool CsvReader::InputEndsWell(const RowState& row, long line, long column) {
  if (row.state == kQuoted) {
    Fail(row.quoteLine, row.quoteColumn, "the quoted field is never closed");
    return false;
  }
  if (file_ != nullptr && std::ferror(file_)) {
    Fail(line, column, "the file could not be read to its end");
    return false;
  }
  return true;
}

// A NUL byte and a row past the longest are faults.
bool CsvReader::CharacterFits(int c, const RowState& row, long line, long column) {
  if (c == 0) {
    Fail(line, column, "a NUL byte");
    return false;
  }
  if (row_.size() < kLongestRow) return true;
  if (row.state == kQuoted) {
    Fail(row.quoteLine, row.quoteColumn,
         "a quoted field that runs on for more than 64 KiB (is its closing quote missing?)");
  } else {
    Fail(fields_.front().line, fields_.front().column, "a row longer than 64 KiB");
  }
  return false;
}

// A carriage return outside quotes ends the line only with a line feed after it (or the end
// of the input).
bool CsvReader::LineFeedFollows(long crLine, long crColumn) {
  const int next = Get();
  if (next == '\n') {
    ++line_;
    column_ = 0;
  } else if (next >= 0) {
    Fail(crLine, crColumn, "a carriage return that does not end the line");
    return false;
  }
  return true;
}

// Outside quotes a field ends with its row or with a comma that starts the next one.
bool CsvReader::NextField(RowState& row, long line, long column) {
  if (fields_.size() >= kMostFields) {
    Fail(line, column, "a row with more than " + std::to_string(kMostFields) + " fields");
    return false;
  }
  fields_.back().end = row_.size();
  fields_.push_back({row_.size(), row_.size(), line_, column_ + 1});
  row.state = kFieldStart;
  return true;
}

void CsvReader::EndRow(RowState& row, long line, long column) {
  fields_.back().end = row_.size();
  endLine_ = line;
  endColumn_ = column;
  row.ended = true;
}

// One character (or the end of the line) of the row, as the field's state takes it.
bool CsvReader::Take(int c, bool endOfLine, RowState& row, long line, long column) {
  switch (row.state) {
    case kFieldStart:
      if (c == '"') {
        row.state = kQuoted;
        row.quoted = true;
        row.quoteLine = line;
        row.quoteColumn = column;
        fields_.back().begin = row_.size();
        return true;
      }
      row.state = kUnquoted;
      [[fallthrough]];
    case kUnquoted:
      if (endOfLine) {
        EndRow(row, line, column);
      } else if (c == ',') {
        return NextField(row, line, column);
      } else if (c == '"') {
        Fail(line, column,
             "a quote inside a field that does not begin with one (quote the whole field and double the quote)");
        return false;
      } else {
        row_.push_back(static_cast<char>(c));
      }
      return true;
    case kQuoted:
      if (c == '"') {
        row.state = kAfterQuote;
      } else {
        row_.push_back(static_cast<char>(c));
      }
      return true;
    case kAfterQuote:
      if (c == '"') {
        row_.push_back('"');
        row.state = kQuoted;
      } else if (endOfLine) {
        EndRow(row, line, column);
      } else if (c == ',') {
        return NextField(row, line, column);
      } else {
        Fail(line, column, "text after the closing quote of a field");
        return false;
      }
      return true;
  }
  return true;
}

// The common row, whole in the buffer before its line feed, with no quote, carriage return or
// NUL and not blank: its fields are the bytes between its commas, read in one pass without a
// copy, with the same fields, lines and columns as SlowRow, the character-by-character reading,
// gives. Anything else is left to that reading (false, nothing consumed), which also reports
// every fault.
bool CsvReader::FastRow() {
  static_assert(std::endian::native == std::endian::little, "the row is read eight bytes a word");
  if (data_ == nullptr || pos_ >= size_) return false;
  const char* begin = data_ + pos_;
  const std::size_t available = std::min(size_ - pos_, kLongestRow);
  const auto* end = static_cast<const char*>(std::memchr(begin, '\n', available));
  if (end == nullptr || end == begin) return false;
  const std::size_t length = static_cast<std::size_t>(end - begin);
  // Eight bytes a word: whether a word holds a byte (a quote, a carriage return or a NUL
  // leave the row to SlowRow), where its commas are, and its UTF-8 continuation
  // bytes, which are no characters of their own for the columns.
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7Full;
  const auto hasByte = [](std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kOnes * byte);
    return ((x - kOnes) & ~x & kHigh) != 0;
  };
  const auto bytesEqual = [](std::uint64_t word, unsigned char byte) {  // high bit of each
    const std::uint64_t x = word ^ (kOnes * byte);
    return ~((((x & kLow) + kLow) | x) | kLow);
  };
  fields_.clear();
  const long column = column_ + 1;  // where the row begins (column_: characters before it)
  fields_.push_back({0, 0, line_, column});
  long continuations = 0;
  const auto comma = [&](std::size_t at, long continuationsBefore) {
    if (fields_.size() >= kMostFields) return false;
    fields_.back().end = at;
    fields_.push_back({at + 1, at + 1, line_, column + static_cast<long>(at + 1) - continuationsBefore});
    return true;
  };
  std::size_t k = 0;
  for (; k + 8 <= length; k += 8) {
    std::uint64_t word;
    std::memcpy(&word, begin + k, sizeof word);
    if (hasByte(word, '"') || hasByte(word, '\r') || hasByte(word, 0)) return false;
    const std::uint64_t follows = word & ~(word << 1) & kHigh;
    for (std::uint64_t commas = bytesEqual(word, ','); commas != 0; commas &= commas - 1) {
      const int at = std::countr_zero(commas) / 8;
      const std::uint64_t before = at == 0 ? 0 : follows & ((std::uint64_t{1} << (8 * at)) - 1);
      if (!comma(k + static_cast<std::size_t>(at), continuations + (before != 0 ? std::popcount(before) : 0))) {
        return false;
      }
    }
    if (follows != 0) continuations += std::popcount(follows);
  }
  for (; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(begin[k]);
    if (byte == '"' || byte == '\r' || byte == 0) return false;
    if (byte == ',' && !comma(k, continuations)) return false;
    if ((byte & 0xC0) == 0x80) ++continuations;
  }
  fields_.back().end = length;
  rowData_ = begin;
  endLine_ = line_;
  endColumn_ = column + static_cast<long>(length) - continuations;
  ++line_;
  column_ = 0;
  pos_ += length + 1;
  return true;
}

}  // namespace host
