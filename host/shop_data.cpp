// Reading the shop folder into tables 44 and 45 (see shop_data.h for the files and checks).
#include "host/shop_data.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numeric>

#include "export/record_layout.h"
#include "host/codepages.h"
#include "host/dates.h"
#include "host/host.h"
#include "host/tables.h"

namespace host {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;
constexpr std::size_t kLongestRow = 1 << 16;
constexpr std::size_t kMostFields = 256;
constexpr double kLargestAmount = 1e15;

constexpr std::string_view kReceiptColumns[] = {"register", "receiptId", "documentNumber",
                                                "saleDate", "saleTime",  "remark",
                                                "amountFlags", "stateMarker"};
constexpr std::string_view kLineColumns[] = {"receiptId",  "itemRef",    "lineAmountA",
                                             "lineAmountB", "goodsGroup", "lineState"};

enum ReceiptField { kRegister, kReceiptId, kDocumentNumber, kSaleDate, kSaleTime, kRemark,
                    kAmountFlags, kStateMarker };
enum LineField { kLineReceiptId, kItemRef, kLineAmountA, kLineAmountB, kGoodsGroup, kLineState };

// The index of table 45 by receipt, built when the registers are read.
struct LineIndex {
  std::vector<LineRange> ranges;
  std::size_t lineCount = 0;
  std::uint32_t generation = 1;
};

LineIndex& Index() {
  static LineIndex index;
  return index;
}

void ResetIndex() {
  LineIndex& index = Index();
  index.ranges.clear();
  index.ranges.shrink_to_fit();
  index.lineCount = 0;
  ++index.generation;
}

void RegisterReset() {
  static const bool registered = (OnHostReset(&ResetIndex), true);
  (void)registered;
}

// A field's value for a message: at most 40 bytes, cut at a character, control bytes as '?'.
std::string Shown(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    auto byte = static_cast<unsigned char>(field[i]);
    if (text.size() >= 40 && (byte & 0xC0) != 0x80) {
      text += "...";
      break;
    }
    text += byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte);
  }
  return text;
}

// The offset of the first byte that is not part of a well-formed UTF-8 sequence, or npos.
std::size_t FirstInvalidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte <= 0xDF ? 2
                         : byte >= 0xE0 && byte <= 0xEF ? 3 : byte >= 0xF0 && byte <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return i;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return i;
    }
    auto second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
    if ((byte == 0xE0 && second < 0xA0) || (byte == 0xED && second > 0x9F) ||
        (byte == 0xF0 && second < 0x90) || (byte == 0xF4 && second > 0x8F)) {
      return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

class RowChecker {
 public:
  RowChecker(const CsvReader& csv, std::optional<ShopError>& error) : csv_(csv), error_(error) {}

  bool Fail(std::size_t field, std::string reason) {
    error_ = ShopError{csv_.FileName(), csv_.FieldLine(field), csv_.FieldColumn(field),
                       std::move(reason)};
    return false;
  }

  bool Integer(std::size_t field, std::string_view name, long long lowest, long long highest,
               long long& value) {
    std::string_view text = csv_.Field(field);
    std::string_view number = !text.empty() && text[0] == '+' ? text.substr(1) : text;
    bool digitFirst = !number.empty() && (number[0] != '-' || number.size() > 1) &&
                      number[number[0] == '-' ? 1 : 0] >= '0' &&
                      number[number[0] == '-' ? 1 : 0] <= '9';
    auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (!digitFirst || end != number.data() + number.size() ||
        status == std::errc::invalid_argument) {
      return Fail(field, std::string(name) + " \"" + Shown(text) + "\" is not a whole number");
    }
    if (status == std::errc::result_out_of_range || value < lowest || value > highest) {
      return Fail(field, std::string(name) + " " + Shown(text) + " is outside " +
                             std::to_string(lowest) + ".." + std::to_string(highest));
    }
    return true;
  }

  bool Amount(std::size_t field, std::string_view name, double& value) {
    std::string_view text = csv_.Field(field);
    std::string_view number = !text.empty() && text[0] == '+' ? text.substr(1) : text;
    std::size_t digits = 0;
    bool point = false;
    bool wellFormed = true;
    for (std::size_t k = !number.empty() && number[0] == '-' ? 1 : 0; k < number.size(); ++k) {
      if (number[k] >= '0' && number[k] <= '9') {
        ++digits;
      } else if (number[k] == '.' && !point) {
        point = true;
      } else {
        wellFormed = false;
      }
    }
    if (!wellFormed || digits == 0 ||
        std::from_chars(number.data(), number.data() + number.size(), value).ptr !=
            number.data() + number.size()) {
      return Fail(field, std::string(name) + " \"" + Shown(text) +
                             "\" is not an amount (host money units, e.g. 12500 or -300.5)");
    }
    if (!std::isfinite(value) || std::fabs(value) > kLargestAmount) {
      return Fail(field, std::string(name) + " " + Shown(text) + " is too large an amount");
    }
    return true;
  }

  // A UTF-8 text converted to the host's character set into record[offset..], which has
  // room for room - 1 bytes and the NUL.
  bool Text(std::size_t field, std::string_view name, std::size_t room, std::uint8_t* record,
            std::size_t recordSize, std::size_t offset) {
    std::string_view text = csv_.Field(field);
    std::string converted;
    std::string_view hostText = text;
    bool ascii = std::all_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
      if (FirstInvalidUtf8(text) != std::string_view::npos) {
        return Fail(field, std::string(name) + " is not valid UTF-8");
      }
      converted = Utf8ToMazovia(text);
      if (std::count(converted.begin(), converted.end(), '?') >
          std::count(text.begin(), text.end(), '?')) {
        return Fail(field, std::string(name) + " \"" + Shown(text) +
                               "\" holds a character that the host's character set lacks");
      }
      hostText = converted;
    }
    if (hostText.size() + 1 > room) {
      return Fail(field, std::string(name) + " is " + std::to_string(hostText.size()) +
                             " characters long; the record has room for " +
                             std::to_string(room - 1));
    }
    if (record != nullptr && offset + hostText.size() < recordSize) {
      std::memcpy(record + offset, hostText.data(), hostText.size());
    }
    return true;
  }

 private:
  const CsvReader& csv_;
  std::optional<ShopError>& error_;
};

template <typename T>
void Put(std::vector<std::uint8_t>& record, std::size_t offset, T value) {
  if (offset + sizeof(T) <= record.size()) std::memcpy(record.data() + offset, &value, sizeof(T));
}

// Opens a shop file; a fault names the file.
std::FILE* OpenShopFile(const std::filesystem::path& path, std::optional<ShopError>& error) {
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) {
    error = ShopError{path.string(), 0, 0, std::string("cannot be opened: ") + std::strerror(errno)};
  }
  return file;
}

struct FileCloser {
  std::FILE* file;
  ~FileCloser() {
    if (file != nullptr) std::fclose(file);
  }
};

template <std::size_t N>
bool CheckHeader(CsvReader& csv, const std::string_view (&columns)[N],
                 std::optional<ShopError>& error) {
  std::string expected;
  for (auto column : columns) {
    if (!expected.empty()) expected += ',';
    expected += column;
  }
  if (!csv.Next()) {
    if (!csv.error()) error = ShopError{csv.FileName(), 1, 1, "the file is empty; the first row must be " + expected};
    else error = csv.error();
    return false;
  }
  for (std::size_t i = 0; i < N; ++i) {
    if (i >= csv.FieldCount()) {
      error = ShopError{csv.FileName(), csv.EndLine(), csv.EndColumn(),
                        "the header lacks column \"" + std::string(columns[i]) +
                            "\"; the first row must be " + expected};
      return false;
    }
    if (csv.Field(i) != columns[i]) {
      error = ShopError{csv.FileName(), csv.FieldLine(i), csv.FieldColumn(i),
                        "column " + std::to_string(i + 1) + " of the header is \"" +
                            Shown(csv.Field(i)) + "\", expected \"" + std::string(columns[i]) +
                            "\"; the first row must be " + expected};
      return false;
    }
  }
  if (csv.FieldCount() > N) {
    error = ShopError{csv.FileName(), csv.FieldLine(N), csv.FieldColumn(N),
                      "the header has more columns than " + expected};
    return false;
  }
  return true;
}

bool CheckFieldCount(const CsvReader& csv, std::size_t expected, std::optional<ShopError>& error) {
  if (csv.FieldCount() == expected) return true;
  if (csv.FieldCount() < expected) {
    error = ShopError{csv.FileName(), csv.EndLine(), csv.EndColumn(),
                      "the row has " + std::to_string(csv.FieldCount()) + " fields, expected " +
                          std::to_string(expected)};
  } else {
    error = ShopError{csv.FileName(), csv.FieldLine(expected), csv.FieldColumn(expected),
                      "the row has " + std::to_string(csv.FieldCount()) + " fields, expected " +
                          std::to_string(expected)};
  }
  return false;
}

// A receipt of the file as the lines need it.
struct ReceiptKey {
  std::int32_t id;
  std::uint8_t reg;  // 1..10
  long line;
  long column;
};

struct StagedReceipt {
  long day;  // -1: no sale date
  std::uint32_t order;
};

std::optional<ShopError> ReadReceipts(const std::filesystem::path& path,
                                      const std::array<bool, 10>& selected, int recordSize,
                                      ShopTables& out, std::vector<ReceiptKey>& keys,
                                      std::vector<StagedReceipt>& staged) {
  std::optional<ShopError> error;
  std::FILE* file = OpenShopFile(path, error);
  if (file == nullptr) return error;
  FileCloser closer{file};
  CsvReader csv(file, path.string());
  if (!CheckHeader(csv, kReceiptColumns, error)) return error;
  RowChecker check(csv, error);
  while (csv.Next()) {
    if (!CheckFieldCount(csv, std::size(kReceiptColumns), error)) return error;
    long long reg = 0, id = 0, time = 0, flags = 0, state = 0;
    if (!check.Integer(kRegister, "register", 1, 10, reg) ||
        !check.Integer(kReceiptId, "receiptId", INT32_MIN, INT32_MAX, id)) {
      return error;
    }
    bool wanted = recordSize > 0 && selected[static_cast<std::size_t>(reg - 1)];
    std::vector<std::uint8_t> record;
    if (wanted) record.assign(static_cast<std::size_t>(recordSize), 0);
    std::uint8_t* bytes = wanted ? record.data() : nullptr;
    if (!check.Text(kDocumentNumber, "documentNumber", tspr::kDocumentNumberRoom, bytes,
                    record.size(), tspr::kDocumentNumber)) {
      return error;
    }
    std::string_view dateText = csv.Field(kSaleDate);
    long day = -1;
    if (!dateText.empty()) {
      auto date = ParseHostDateText(dateText);
      if (!date) {
        check.Fail(kSaleDate, "saleDate \"" + Shown(dateText) +
                                  "\" is not a date dd.mm.yy (2000-2099) or empty");
        return error;
      }
      day = DayNumber(*date);
      if (wanted && tspr::kSaleDate + dateText.size() < record.size()) {
        std::memcpy(record.data() + tspr::kSaleDate, dateText.data(), dateText.size());
      }
    }
    if (!check.Integer(kSaleTime, "saleTime", INT16_MIN, INT16_MAX, time)) return error;
    if (time < 0 || time > 1439) {
      check.Fail(kSaleTime, "saleTime " + std::to_string(time) +
                                " is not a time of day in minutes after midnight (0..1439)");
      return error;
    }
    if (!check.Text(kRemark, "remark", tspr::kRemarkRoom, bytes, record.size(), tspr::kRemark) ||
        !check.Integer(kAmountFlags, "amountFlags", 0, 255, flags) ||
        !check.Integer(kStateMarker, "stateMarker", INT16_MIN, INT16_MAX, state)) {
      return error;
    }
    keys.push_back({static_cast<std::int32_t>(id), static_cast<std::uint8_t>(reg),
                    csv.FieldLine(kReceiptId), csv.FieldColumn(kReceiptId)});
    if (wanted) {
      Put(record, tspr::kAmountFlags, static_cast<std::uint8_t>(flags));
      Put(record, tspr::kSaleTime, static_cast<std::int16_t>(time));
      Put(record, tspr::kStateMarker, static_cast<std::int16_t>(state));
      Put(record, tspr::kReceiptId, static_cast<std::int32_t>(id));
      staged.push_back({day, static_cast<std::uint32_t>(out.receipts.size())});
      out.receipts.push_back(std::move(record));
    }
  }
  if (csv.error()) return csv.error();
  out.receiptsInFile = keys.size();

  // A receipt id given twice: report the repetition that comes first in the file.
  std::sort(keys.begin(), keys.end(), [](const ReceiptKey& a, const ReceiptKey& b) {
    return a.id != b.id ? a.id < b.id : a.line < b.line;
  });
  const ReceiptKey* repeated = nullptr;
  const ReceiptKey* original = nullptr;
  for (std::size_t first = 0; first < keys.size();) {
    std::size_t next = first + 1;
    while (next < keys.size() && keys[next].id == keys[first].id) ++next;
    if (next - first > 1 && (repeated == nullptr || keys[first + 1].line < repeated->line)) {
      original = &keys[first];
      repeated = &keys[first + 1];
    }
    first = next;
  }
  if (repeated != nullptr) {
    return ShopError{path.string(), repeated->line, repeated->column,
                     "receiptId " + std::to_string(repeated->id) + " was already given on line " +
                         std::to_string(original->line)};
  }
  return std::nullopt;
}

std::optional<ShopError> ReadLines(const std::filesystem::path& path,
                                   const std::array<bool, 10>& selected, int recordSize,
                                   const std::vector<ReceiptKey>& keys, ShopTables& out,
                                   std::vector<std::int32_t>& lineReceipts) {
  std::optional<ShopError> error;
  std::FILE* file = OpenShopFile(path, error);
  if (file == nullptr) return error;
  FileCloser closer{file};
  CsvReader csv(file, path.string());
  if (!CheckHeader(csv, kLineColumns, error)) return error;
  RowChecker check(csv, error);
  std::size_t count = 0;
  while (csv.Next()) {
    if (!CheckFieldCount(csv, std::size(kLineColumns), error)) return error;
    long long id = 0, item = 0, group = 0, state = 0;
    double amountA = 0.0, amountB = 0.0;
    if (!check.Integer(kLineReceiptId, "receiptId", INT32_MIN, INT32_MAX, id) ||
        !check.Integer(kItemRef, "itemRef", INT32_MIN, INT32_MAX, item) ||
        !check.Amount(kLineAmountA, "lineAmountA", amountA) ||
        !check.Amount(kLineAmountB, "lineAmountB", amountB) ||
        !check.Integer(kGoodsGroup, "goodsGroup", INT16_MIN, INT16_MAX, group) ||
        !check.Integer(kLineState, "lineState", INT16_MIN, INT16_MAX, state)) {
      return error;
    }
    auto receipt = std::lower_bound(
        keys.begin(), keys.end(), static_cast<std::int32_t>(id),
        [](const ReceiptKey& key, std::int32_t wanted) { return key.id < wanted; });
    if (receipt == keys.end() || receipt->id != id) {
      check.Fail(kLineReceiptId, "receiptId " + std::to_string(id) + " is not a receipt of receipts.csv");
      return error;
    }
    ++count;
    if (recordSize <= 0 || !selected[receipt->reg - 1u]) continue;
    std::vector<std::uint8_t> record(static_cast<std::size_t>(recordSize), 0);
    Put(record, tspr_dok::kItemRef, static_cast<std::int32_t>(item));
    Put(record, tspr_dok::kLineAmountA, amountA);
    Put(record, tspr_dok::kLineAmountB, amountB);
    Put(record, tspr_dok::kGoodsGroup, static_cast<std::int16_t>(group));
    Put(record, tspr_dok::kLineState, static_cast<std::int16_t>(state));
    out.lines.push_back(std::move(record));
    lineReceipts.push_back(static_cast<std::int32_t>(id));
  }
  if (csv.error()) return csv.error();
  out.linesInFile = count;
  return std::nullopt;
}

}  // namespace

std::string ShopError::Text() const {
  if (line <= 0) return file + ": " + reason;
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + reason;
}

// ---- CsvReader ----

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
  if (!started_) {
    started_ = true;
    int first = Get();
    if (first < 0) return false;
    --pos_;  // a byte order mark is skipped; anything else is read again
    if (first == 0xEF && pos_ + 3 <= size_ && data_[pos_ + 1] == '\xBB' &&
        data_[pos_ + 2] == '\xBF') {
      pos_ += 3;
    }
  }
  if (FastRow()) return true;
  enum State { kFieldStart, kUnquoted, kQuoted, kAfterQuote };
  for (;;) {  // once per row; blank lines are skipped
    row_.clear();
    fields_.clear();
    State state = kFieldStart;
    bool quoted = false;
    long quoteLine = 0;
    long quoteColumn = 0;
    fields_.push_back({0, 0, line_, column_ + 1});
    bool rowEnded = false;
    bool atEnd = false;
    bool any = false;
    while (!rowEnded) {
      long line = line_;
      long column = column_ + 1;
      int c = Get();
      if (c < 0) {
        if (!any) return false;  // nothing left but the end of the input
        if (state == kQuoted) {
          Fail(quoteLine, quoteColumn, "the quoted field is never closed");
          return false;
        }
        if (file_ != nullptr && std::ferror(file_)) {
          Fail(line, column, "the file could not be read to its end");
          return false;
        }
        atEnd = true;
      }
      any = true;
      if (c == '\n') {
        ++line_;
        column_ = 0;
      } else if (c >= 0 && (c & 0xC0) != 0x80) {
        ++column_;
      }
      if (c == 0) {
        Fail(line, column, "a NUL byte");
        return false;
      }
      if (row_.size() >= kLongestRow) {
        if (state == kQuoted) {
          Fail(quoteLine, quoteColumn, "a quoted field that runs on for more than 64 KiB (is its closing quote missing?)");
        } else {
          Fail(fields_.front().line, fields_.front().column, "a row longer than 64 KiB");
        }
        return false;
      }
      bool endOfLine = atEnd || c == '\n';
      if (c == '\r' && state != kQuoted) {
        long crLine = line;
        long crColumn = column;
        int next = Get();
        if (next == '\n') {
          ++line_;
          column_ = 0;
        } else if (next >= 0) {
          Fail(crLine, crColumn, "a carriage return that does not end the line");
          return false;
        }
        endOfLine = true;
      }
      // Outside quotes a field ends with its row or with a comma that starts the next one.
      auto endRow = [&] {
        fields_.back().end = row_.size();
        endLine_ = line;
        endColumn_ = column;
        rowEnded = true;
      };
      auto nextField = [&] {
        if (fields_.size() >= kMostFields) {
          Fail(line, column, "a row with more than " + std::to_string(kMostFields) + " fields");
          return false;
        }
        fields_.back().end = row_.size();
        fields_.push_back({row_.size(), row_.size(), line_, column_ + 1});
        state = kFieldStart;
        return true;
      };
      switch (state) {
        case kFieldStart:
          if (c == '"') {
            state = kQuoted;
            quoted = true;
            quoteLine = line;
            quoteColumn = column;
            fields_.back().begin = row_.size();
            break;
          }
          state = kUnquoted;
          [[fallthrough]];
        case kUnquoted:
          if (endOfLine) {
            endRow();
          } else if (c == ',') {
            if (!nextField()) return false;
          } else if (c == '"') {
            Fail(line, column, "a quote inside a field that does not begin with one (quote the whole field and double the quote)");
            return false;
          } else {
            row_.push_back(static_cast<char>(c));
          }
          break;
        case kQuoted:
          if (c == '"') {
            state = kAfterQuote;
          } else {
            row_.push_back(static_cast<char>(c));
          }
          break;
        case kAfterQuote:
          if (c == '"') {
            row_.push_back('"');
            state = kQuoted;
          } else if (endOfLine) {
            endRow();
          } else if (c == ',') {
            if (!nextField()) return false;
          } else {
            Fail(line, column, "text after the closing quote of a field");
            return false;
          }
          break;
      }
    }
    bool blank = fields_.size() == 1 && row_.empty() && !quoted;
    if (!blank) return true;
    if (atEnd) return false;
  }
}

// The common row, whole in the buffer before its line feed, with no quote, carriage return or
// NUL and not blank: split at its commas in one go, with the same fields, lines and columns
// as the character-by-character reading below gives. Anything else is left to that reading
// (false, nothing consumed), which also reports every fault.
bool CsvReader::FastRow() {
  if (data_ == nullptr || pos_ >= size_) return false;
  const char* begin = data_ + pos_;
  const std::size_t available = std::min(size_ - pos_, kLongestRow);
  const auto* end = static_cast<const char*>(std::memchr(begin, '\n', available));
  if (end == nullptr || end == begin) return false;
  const std::size_t length = static_cast<std::size_t>(end - begin);
  std::size_t commas = 0;
  for (const char* c = begin; c != end; ++c) {
    if (*c == '"' || *c == '\r' || *c == '\0') return false;
    if (*c == ',') ++commas;
  }
  if (commas >= kMostFields) return false;
  row_.clear();
  fields_.clear();
  long column = column_;  // characters of the line before the current one
  fields_.push_back({0, 0, line_, column + 1});
  const char* segment = begin;  // the current field's bytes start here
  for (const char* c = begin; c != end; ++c) {
    if ((static_cast<unsigned char>(*c) & 0xC0) != 0x80) ++column;
    if (*c == ',') {
      row_.append(segment, static_cast<std::size_t>(c - segment));
      fields_.back().end = row_.size();
      fields_.push_back({row_.size(), row_.size(), line_, column + 1});
      segment = c + 1;
    }
  }
  row_.append(segment, static_cast<std::size_t>(end - segment));
  fields_.back().end = row_.size();
  endLine_ = line_;
  endColumn_ = column + 1;
  ++line_;
  column_ = 0;
  pos_ += length + 1;
  return true;
}

// ---- Loading ----

std::optional<ShopError> ReadShop(const std::filesystem::path& folder,
                                  const std::array<bool, 10>& selected, int receiptSize,
                                  int lineSize, ShopTables& out) {
  out = ShopTables{};
  std::vector<ReceiptKey> keys;
  std::vector<StagedReceipt> staged;
  std::vector<std::int32_t> lineReceipts;
  auto error = ReadReceipts(folder / "receipts.csv", selected, receiptSize, out, keys, staged);
  if (!error) error = ReadLines(folder / "lines.csv", selected, lineSize, keys, out, lineReceipts);
  if (error) {
    out = ShopTables{};
    return error;
  }

  // Index 24: by sale date, receipts of one day in file order.
  std::sort(staged.begin(), staged.end(), [](const StagedReceipt& a, const StagedReceipt& b) {
    return a.day != b.day ? a.day < b.day : a.order < b.order;
  });
  std::vector<std::vector<std::uint8_t>> receipts;
  receipts.reserve(staged.size());
  for (const auto& receipt : staged) receipts.push_back(std::move(out.receipts[receipt.order]));
  out.receipts = std::move(receipts);

  // Index 68: lines grouped by receipt, in file order inside a receipt.
  std::vector<std::uint32_t> order(lineReceipts.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return lineReceipts[a] < lineReceipts[b];
  });
  std::vector<std::vector<std::uint8_t>> lines;
  lines.reserve(order.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) {
    std::int32_t id = lineReceipts[order[i]];
    if (out.lineIndex.empty() || out.lineIndex.back().receiptId != id) {
      out.lineIndex.push_back({id, i, i});
    }
    out.lineIndex.back().end = i + 1;
    lines.push_back(std::move(out.lines[order[i]]));
  }
  out.lines = std::move(lines);
  return std::nullopt;
}

std::filesystem::path ShopFolder() {
  const auto& folder = options().shopDir;
  if (!folder.empty()) return folder;
  return std::filesystem::path(KRONILOG_SOURCE_DIR) / "examples" / "shop";
}

LoadResult LoadShopIntoTables(const std::filesystem::path& folder,
                              const std::array<bool, 10>& selected) {
  RegisterReset();
  TableDescriptor* receiptTable = FindTable(tspr::kTable);
  TableDescriptor* lineTable = FindTable(tspr_dok::kTable);
  // The size the descriptor reports, read as the host stores it (unsigned 16-bit).
  int receiptSize = receiptTable != nullptr ? static_cast<std::uint16_t>(receiptTable->recordSize) : 0;
  int lineSize = lineTable != nullptr ? static_cast<std::uint16_t>(lineTable->recordSize) : 0;

  auto& receipts = TableRecords(tspr::kTable);
  auto& lines = TableRecords(tspr_dok::kTable);
  std::vector<std::vector<std::uint8_t>>().swap(receipts);
  std::vector<std::vector<std::uint8_t>>().swap(lines);
  ResetIndex();

  ShopTables data;
  LoadResult result;
  result.error = ReadShop(folder, selected, receiptSize, lineSize, data);
  if (result.error) return result;
  receipts = std::move(data.receipts);
  lines = std::move(data.lines);
  Index().ranges = std::move(data.lineIndex);
  Index().lineCount = lines.size();
  result.receipts = receipts.size();
  result.lines = lines.size();
  return result;
}

std::optional<LineRange> LinesOfReceipt(std::int32_t receiptId) {
  const LineIndex& index = Index();
  if (TableRecords(tspr_dok::kTable).size() != index.lineCount) return std::nullopt;
  auto found = std::lower_bound(
      index.ranges.begin(), index.ranges.end(), receiptId,
      [](const LineRange& range, std::int32_t wanted) { return range.receiptId < wanted; });
  if (found == index.ranges.end() || found->receiptId != receiptId) {
    return LineRange{receiptId, 0, 0};
  }
  return *found;
}

std::uint32_t TablesGeneration() { return Index().generation; }

}  // namespace host
