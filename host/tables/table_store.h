// Tables 44 and 45 as the host keeps them: the shop's fields in arrays (texts in one shared
// pool, numbers in arrays of their own size), never one block per record. A scan step builds
// the full record from them in the descriptor's buffer (BuildRecord), so the plug-in sees the
// bytes of the host's record layout (record_layout.h) with every other byte zero.
//
// The store holds every register's receipts, in file order, and their lines grouped by
// receipt (ascending receiptId, file order inside a receipt). Reading the cash registers
// (SelectRegisters) picks the receipts of the selected registers in the order of index 24:
// by sale date, receipts without a date first, one day's receipts in file order.
#pragma once

#include <array>
#include <cstddef>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

inline constexpr std::uint16_t kNoSaleDate = 0xFFFF;

// One receipt as the shop reader hands it over (texts in the host's character set).
struct ReceiptFields {
  std::int32_t id = 0;
  std::uint8_t cashRegister = 1;  // 1..10
  std::uint8_t amountFlags = 0;
  std::int16_t saleTime = 0;
  std::int16_t stateMarker = 0;
  std::uint16_t saleDay = kNoSaleDate;  // day number (calendar.h) or kNoSaleDate
  std::string_view documentNumber;
  std::string_view remark;
};

struct LineFields {
  std::int32_t receiptId = 0;
  std::int32_t itemRef = 0;
  double amountA = 0.0;
  double amountB = 0.0;
  std::int16_t goodsGroup = 0;
  std::int16_t lineState = 0;
};

// An amount column: most amounts of a shop are whole or half units, each kept in 32 bits as
// twice its value; any other amount (and -0) in a table beside, by line.
class AmountColumn {
 public:
  void Add(double amount);
  double At(std::size_t line) const {
    const std::int32_t halves = halves_[line];
    return halves != kOther ? halves * 0.5 : others_.at(static_cast<std::uint32_t>(line));
  }
  std::size_t size() const { return halves_.size(); }
  void Reserve(std::size_t lines) { halves_.reserve(lines); }
  // The same amounts in a new order: line i becomes line order[i]'s.
  void Reorder(const std::vector<std::uint32_t>& order);

 private:
  static constexpr std::int32_t kOther = INT32_MIN;
  std::vector<std::int32_t> halves_;
  std::unordered_map<std::uint32_t, double> others_;
};

// The lines of a shop in columns, as the shop reader gathers them (file order).
struct LineColumns {
  std::vector<std::int32_t> receiptId;
  std::vector<std::int32_t> itemRef;
  AmountColumn amountA;
  AmountColumn amountB;
  std::vector<std::int16_t> goodsGroup;
  std::vector<std::int16_t> lineState;

  void Reserve(std::size_t lines);
  // False when the columns cannot grow any more (4 Gi lines).
  bool Add(const LineFields& line);
};

// Filling the store: Clear, then every receipt in file order, then the lines, then
// FinishLoading. AddReceipt returns false when the store cannot grow any more (its texts
// exceed 4 GiB or its receipts 4 Gi).
void ClearStore();
// Room for about this many receipts and bytes of text, so that the columns do not move as
// they grow (room not used costs no memory).
void ReserveReceipts(std::size_t receipts, std::size_t textBytes);
bool AddReceipt(const ReceiptFields& receipt);
void AdoptLines(LineColumns&& lines);
// Groups the lines by receipt and makes index 68. Every line's receiptId must be a receipt's,
// each receipt's id given once (the shop reader has checked both).
void FinishLoading();

// Receipts and lines in the store, whatever is selected.
std::size_t StoredReceipts();
std::size_t StoredLines();

// HostCashRegisterRead's work: selected[r] is register r + 1. Gives the receipts and lines of
// the selected registers. Scans begun before it deliver nothing more.
struct Selection {
  std::size_t receipts = 0;
  std::size_t lines = 0;
};
Selection SelectRegisters(const std::array<bool, 10>& selected);

// Index 24: how many records a scan of table 44 delivers, and the one at a place.
std::size_t ReceiptsInScanOrder();
// Index 68: the stored lines [begin, end) of a receipt of the selected registers; empty for
// any other id.
struct LineRange {
  std::uint32_t begin = 0;
  std::uint32_t end = 0;
};
LineRange LinesOfReceipt(std::int32_t receiptId);

// Writes the record of table 44 at a place of index 24's order, or the stored line of table 45
// at a position, into buffer: room bytes, of which the fields that lie within recordSize
// (the size the descriptor claims) are filled and every other byte is zero.
void BuildRecord(int table, std::size_t position, std::uint8_t* buffer, std::size_t room,
                 std::size_t recordSize);

// Changes whenever the tables are filled or selected again or the host is reset, so that scan
// cursors of an older content can be told apart.
std::uint32_t TablesGeneration();

// Test hooks: the records of a table as its scans deliver them, and whole records put in.
// Table 44's places are those of index 24; table 45's are the lines of the selected receipts
// in index 68's order. A record put in takes the place of the one there (for table 44, a
// place one past the end adds a record at the end), is delivered byte for byte as given, cut
// or padded with zeros to the record buffer, and lasts until the registers are read again.
std::size_t TableRecordCount(int table);
std::vector<std::uint8_t> TableRecord(int table, std::size_t place);
void PutTableRecord(int table, std::size_t place, std::vector<std::uint8_t> record);

// The columns themselves, for the benchmark's baseline, which walks them directly.
struct StoreView {
  const std::vector<std::uint32_t>* scanOrder;  // table 44 in index 24's order: receipt places
  const std::int32_t* receiptId;
  const std::uint8_t* amountFlags;
  const std::int16_t* saleTime;
  const std::int16_t* stateMarker;
  const std::uint16_t* saleDay;
  const std::uint32_t* documentNumber;  // offsets into texts
  const std::uint32_t* remark;
  const char* texts;
  const std::int32_t* itemRef;
  const AmountColumn* amountA;
  const AmountColumn* amountB;
  const std::int16_t* goodsGroup;
  const std::int16_t* lineState;
};
StoreView ViewStore();

}  // namespace host
