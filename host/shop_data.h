// The emulator's shop: receipts.csv and lines.csv in a shop folder, read into the records of
// tables 44 (receipts) and 45 (sales lines) when the plug-in has the cash registers read.
//
// receipts.csv  register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker
// lines.csv     receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState
//
// Both files are RFC 4180 CSV in UTF-8 with that header row (a UTF-8 byte order mark and
// blank lines are allowed). Every row of both files is checked, whichever registers are
// selected, and the first fault is reported as "file:line:column: reason" before anything is
// loaded:
//   register      1..10
//   receiptId     a 32-bit integer, each receipt once (a repeated id is refused: the lines
//                 could not tell the receipts apart)
//   documentNumber, remark  texts that fit their record room in the host's character set
//                 (199 and 107 bytes), no NUL
//   saleDate      dd.mm.yy (a real day, 2000-2099) or empty
//   saleTime      minutes after midnight, 0..1439; other values are refused, the host would
//                 never have recorded them
//   amountFlags   0..255 (a flag byte); stateMarker, goodsGroup, lineState 16-bit integers
//   itemRef       a 32-bit integer
//   lineAmountA/B decimal numbers in host money units (1/10000 PLN), |amount| <= 1e15
//   a line's receiptId must be a receipt of receipts.csv
//
// Table 44 holds the receipts of the selected registers ordered by sale date (receipts
// without a date first), receipts of one day in file order: the order of index 24.
// Table 45 holds their lines grouped by receipt (ascending receiptId, file order inside a
// receipt), and an index maps a receiptId to its range of line records (index 68).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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
    return std::string_view(row_).substr(fields_[i].begin, fields_[i].end - fields_[i].begin);
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
  int Get();
  bool FastRow();
  void Fail(long line, long column, std::string reason);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  bool started_ = false;
  std::string fileName_;
  std::string row_;
  std::vector<FieldSpan> fields_;
  long line_ = 1;
  long column_ = 0;  // characters already read on the current line
  long endLine_ = 1;
  long endColumn_ = 1;
  std::optional<ShopError> error_;
};

// One range of table 45 records: the lines of one receipt.
struct LineRange {
  std::int32_t receiptId;
  std::uint32_t begin;
  std::uint32_t end;
};

// What a shop folder gives for one selection of registers, ready to become tables 44 and 45.
struct ShopTables {
  std::vector<std::vector<std::uint8_t>> receipts;
  std::vector<std::vector<std::uint8_t>> lines;
  std::vector<LineRange> lineIndex;  // ascending receiptId
  std::size_t receiptsInFile = 0;
  std::size_t linesInFile = 0;
};

// Reads and checks a shop folder. selected[r] is register r + 1. Records are receiptSize and
// lineSize bytes (a size of 0 or less: that table is not filled); a field that does not fit
// a record is left out of it. On a fault, out is left empty.
std::optional<ShopError> ReadShop(const std::filesystem::path& folder,
                                  const std::array<bool, 10>& selected, int receiptSize,
                                  int lineSize, ShopTables& out);

// The shop folder of the session: --shop, or the bundled example.
std::filesystem::path ShopFolder();

// HostCashRegisterRead: replaces the records of tables 44 and 45 with the shop's receipts and
// lines of the selected registers, or, on a fault, leaves both tables empty.
struct LoadResult {
  std::size_t receipts = 0;
  std::size_t lines = 0;
  std::optional<ShopError> error;
};
LoadResult LoadShopIntoTables(const std::filesystem::path& folder,
                              const std::array<bool, 10>& selected);

// Index 68: the range of table 45 records holding a receipt's lines (begin == end when it has
// none). Null when table 45 no longer matches the index (changed since the last reading).
std::optional<LineRange> LinesOfReceipt(std::int32_t receiptId);

// Changes whenever the tables are loaded again or the host is reset, so that scan cursors of
// an older content can be told apart.
std::uint32_t TablesGeneration();

}  // namespace host
