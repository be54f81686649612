// The compact store of tables 44 and 45 (see table_store.h).
#include "host/tables/table_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>

#include "host/dates/calendar.h"
#include "host/session/session_options.h"
#include "host/tables/record_layout.h"
#include "host/tables/tables.h"

namespace host {
namespace {

namespace receipts = receipts_table;
namespace lines = lines_table;

struct Store {
  // Receipts, file order.
  std::vector<std::int32_t> receiptId;
  std::vector<std::uint8_t> cashRegister;
  std::vector<std::uint8_t> amountFlags;
  std::vector<std::int16_t> saleTime;
  std::vector<std::int16_t> stateMarker;
  std::vector<std::uint16_t> saleDay;
  std::vector<std::uint32_t> documentNumber;
  std::vector<std::uint32_t> remark;
  std::vector<char> texts = std::vector<char>(1, '\0');  // offset 0: the empty text
  // Lines: file order while loading, grouped by receipt after FinishLoading (which lets go of
  // their receiptId column).
  LineColumns lines;
  // Index 68: the receipts that have lines, ascending id; rangeBegin has one more entry.
  std::vector<std::int32_t> rangeId;
  std::vector<std::uint32_t> rangeReceipt;
  std::vector<std::uint32_t> rangeBegin;
  // The selection: table 44 in index 24's order, and the registers selected.
  std::vector<std::uint32_t> scanOrder;
  std::array<bool, 10> selected{};
  std::size_t selectedLines = 0;
  // Records put in whole by the test hooks.
  std::map<std::uint32_t, std::vector<std::uint8_t>> putReceipts;  // by receipt place
  std::vector<std::vector<std::uint8_t>> addedReceipts;            // after the scan order
  std::map<std::uint32_t, std::vector<std::uint8_t>> putLines;     // by stored line
};

// Not part of the store, so that it goes on counting when the store is made afresh. (A new
// session also ends every scan of the last one: their cursors are forgotten.)
std::uint32_t generation = 1;

Store& State() { return SessionState<Store>(); }

template <typename T>
void Put(std::uint8_t* record, std::size_t recordSize, int offset, T value) {
  if (static_cast<std::size_t>(offset) + sizeof(T) <= recordSize) {
    std::memcpy(record + offset, &value, sizeof(T));
  }
}

// A text and its NUL, where the record has room for it (the NUL is the buffer's zero).
void PutText(std::uint8_t* record, std::size_t recordSize, int offset, const char* text) {
  const std::size_t length = std::strlen(text);
  if (static_cast<std::size_t>(offset) + length < recordSize) std::memcpy(record + offset, text, length);
}

void CopyRecord(const std::vector<std::uint8_t>& record, std::uint8_t* buffer, std::size_t room) {
  const std::size_t copied = std::min(record.size(), room);
  std::memcpy(buffer, record.data(), copied);
  std::memset(buffer + copied, 0, room - copied);
}

std::uint32_t Offset(std::size_t value) { return static_cast<std::uint32_t>(value); }

std::uint32_t AddText(Store& store, std::string_view text) {
  if (text.empty()) return 0;
  const std::size_t at = store.texts.size();
  store.texts.insert(store.texts.end(), text.begin(), text.end());
  store.texts.push_back('\0');
  return Offset(at);
}

// The stored line at a place of table 45 (the lines of the selected receipts, in order).
std::optional<std::uint32_t> StoredLineAt(const Store& store, std::size_t place) {
  for (std::size_t r = 0; r < store.rangeId.size(); ++r) {
    if (!store.selected[store.cashRegister[store.rangeReceipt[r]] - 1u]) continue;
    const std::size_t count = store.rangeBegin[r + 1] - store.rangeBegin[r];
    if (place < count) return Offset(store.rangeBegin[r] + place);
    place -= count;
  }
  return std::nullopt;
}

}  // namespace

void AmountColumn::Add(double amount) {
  const double halves = amount * 2.0;
  if (halves > INT32_MIN && halves <= INT32_MAX && halves == static_cast<double>(static_cast<std::int32_t>(halves)) &&
      !(amount == 0.0 && std::signbit(amount))) {
    halves_.push_back(static_cast<std::int32_t>(halves));
  } else {
    others_.emplace(static_cast<std::uint32_t>(halves_.size()), amount);
    halves_.push_back(kOther);
  }
}

void AmountColumn::Reorder(const std::vector<std::uint32_t>& order) {
  std::vector<std::int32_t> halves(order.size());
  std::unordered_map<std::uint32_t, double> others;
  for (std::size_t i = 0; i < order.size(); ++i) {
    halves[i] = halves_[order[i]];
    if (halves[i] == kOther) others.emplace(static_cast<std::uint32_t>(i), others_.at(order[i]));
  }
  halves_ = std::move(halves);
  others_ = std::move(others);
}

void ClearStore() {
  ++generation;
  State() = Store{};
}

void ReserveReceipts(std::size_t receipts, std::size_t textBytes) {
  Store& store = State();
  store.receiptId.reserve(receipts);
  store.cashRegister.reserve(receipts);
  store.amountFlags.reserve(receipts);
  store.saleTime.reserve(receipts);
  store.stateMarker.reserve(receipts);
  store.saleDay.reserve(receipts);
  store.documentNumber.reserve(receipts);
  store.remark.reserve(receipts);
  store.texts.reserve(textBytes);
}

bool AddReceipt(const ReceiptFields& receipt) {
  Store& store = State();
  constexpr std::size_t kMostTexts = std::numeric_limits<std::uint32_t>::max();
  if (store.texts.size() + receipt.documentNumber.size() + receipt.remark.size() + 2 > kMostTexts ||
      store.receiptId.size() >= kMostTexts) {
    return false;
  }
  store.receiptId.push_back(receipt.id);
  store.cashRegister.push_back(receipt.cashRegister);
  store.amountFlags.push_back(receipt.amountFlags);
  store.saleTime.push_back(receipt.saleTime);
  store.stateMarker.push_back(receipt.stateMarker);
  store.saleDay.push_back(receipt.saleDay);
  store.documentNumber.push_back(AddText(store, receipt.documentNumber));
  store.remark.push_back(AddText(store, receipt.remark));
  return true;
}

void LineColumns::Reserve(std::size_t lines) {
  receiptId.reserve(lines);
  itemRef.reserve(lines);
  amountA.Reserve(lines);
  amountB.Reserve(lines);
  goodsGroup.reserve(lines);
  lineState.reserve(lines);
}

bool LineColumns::Add(const LineFields& line) {
  if (itemRef.size() >= std::numeric_limits<std::uint32_t>::max() - 1) return false;
  receiptId.push_back(line.receiptId);
  itemRef.push_back(line.itemRef);
  amountA.Add(line.amountA);
  amountB.Add(line.amountB);
  goodsGroup.push_back(line.goodsGroup);
  lineState.push_back(line.lineState);
  return true;
}

void AdoptLines(LineColumns&& lines) { State().lines = std::move(lines); }

void FinishLoading() {
  Store& store = State();
  const std::size_t count = store.lines.receiptId.size();
  // Lines grouped by receipt, file order inside one: a shop that lists each receipt's lines
  // together in ascending order (as most do) needs no moving at all.
  if (!std::is_sorted(store.lines.receiptId.begin(), store.lines.receiptId.end())) {
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return store.lines.receiptId[a] < store.lines.receiptId[b];
    });
    const auto reorder = [&](auto& column) {
      std::remove_reference_t<decltype(column)> sorted(count);
      for (std::size_t i = 0; i < count; ++i) sorted[i] = column[order[i]];
      column = std::move(sorted);
    };
    reorder(store.lines.receiptId);
    reorder(store.lines.itemRef);
    store.lines.amountA.Reorder(order);
    store.lines.amountB.Reorder(order);
    reorder(store.lines.goodsGroup);
    reorder(store.lines.lineState);
  }
  // Index 68, and for each range the receipt it belongs to.
  std::vector<std::uint32_t> byId(store.receiptId.size());
  std::iota(byId.begin(), byId.end(), 0u);
  std::sort(byId.begin(), byId.end(),
            [&](std::uint32_t a, std::uint32_t b) { return store.receiptId[a] < store.receiptId[b]; });
  std::size_t receipt = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t id = store.lines.receiptId[i];
    if (!store.rangeId.empty() && store.rangeId.back() == id) continue;
    while (receipt < byId.size() && store.receiptId[byId[receipt]] < id) ++receipt;
    store.rangeId.push_back(id);
    store.rangeReceipt.push_back(receipt < byId.size() ? byId[receipt] : 0);
    store.rangeBegin.push_back(Offset(i));
  }
  store.rangeBegin.push_back(Offset(count));
  std::vector<std::int32_t>().swap(store.lines.receiptId);
  ++generation;
}

std::size_t StoredReceipts() { return State().receiptId.size(); }
std::size_t StoredLines() { return State().lines.itemRef.size(); }

Selection SelectRegisters(const std::array<bool, 10>& selected) {
  Store& store = State();
  store.selected = selected;
  store.putReceipts.clear();
  store.addedReceipts.clear();
  store.putLines.clear();
  // Index 24 by a counting sort on the sale day (no date first), stable in file order.
  constexpr std::size_t kBuckets = kLastHostDay + 2;
  std::vector<std::uint32_t> start(kBuckets + 1, 0);
  const auto bucket = [&](std::size_t i) -> std::size_t {
    return store.saleDay[i] == kNoSaleDate ? 0 : std::min<std::size_t>(store.saleDay[i] + 1u, kBuckets - 1);
  };
  std::size_t chosen = 0;
  for (std::size_t i = 0; i < store.receiptId.size(); ++i) {
    if (!selected[store.cashRegister[i] - 1u]) continue;
    ++start[bucket(i) + 1];
    ++chosen;
  }
  std::partial_sum(start.begin(), start.end(), start.begin());
  store.scanOrder.assign(chosen, 0);
  for (std::size_t i = 0; i < store.receiptId.size(); ++i) {
    if (selected[store.cashRegister[i] - 1u]) store.scanOrder[start[bucket(i)]++] = Offset(i);
  }
  store.selectedLines = 0;
  for (std::size_t r = 0; r < store.rangeId.size(); ++r) {
    if (selected[store.cashRegister[store.rangeReceipt[r]] - 1u]) {
      store.selectedLines += store.rangeBegin[r + 1] - store.rangeBegin[r];
    }
  }
  ++generation;
  return {chosen, store.selectedLines};
}

std::size_t ReceiptsInScanOrder() {
  const Store& store = State();
  return store.scanOrder.size() + store.addedReceipts.size();
}

LineRange LinesOfReceipt(std::int32_t receiptId) {
  const Store& store = State();
  const auto found = std::lower_bound(store.rangeId.begin(), store.rangeId.end(), receiptId);
  if (found == store.rangeId.end() || *found != receiptId) return {};
  const std::size_t r = static_cast<std::size_t>(found - store.rangeId.begin());
  if (!store.selected[store.cashRegister[store.rangeReceipt[r]] - 1u]) return {};
  return {store.rangeBegin[r], store.rangeBegin[r + 1]};
}

void BuildRecord(int table, std::size_t position, std::uint8_t* buffer, std::size_t room,
                 std::size_t recordSize) {
  const Store& store = State();
  recordSize = std::min(recordSize, room);
  if (table == receipts::kNumber) {
    if (position >= store.scanOrder.size()) {
      CopyRecord(store.addedReceipts.at(position - store.scanOrder.size()), buffer, room);
      return;
    }
    const std::uint32_t i = store.scanOrder[position];
    if (!store.putReceipts.empty()) {
      if (auto put = store.putReceipts.find(i); put != store.putReceipts.end()) {
        CopyRecord(put->second, buffer, room);
        return;
      }
    }
    std::memset(buffer, 0, room);
    PutText(buffer, recordSize, receipts::kDocumentNumber, &store.texts[store.documentNumber[i]]);
    Put(buffer, recordSize, receipts::kAmountFlags, store.amountFlags[i]);
    if (store.saleDay[i] != kNoSaleDate) {
      char date[9];
      FormatHostDate(DateFromDayNumber(store.saleDay[i]), date);
      PutText(buffer, recordSize, receipts::kSaleDate, date);
    }
    PutText(buffer, recordSize, receipts::kRemark, &store.texts[store.remark[i]]);
    Put(buffer, recordSize, receipts::kSaleTime, store.saleTime[i]);
    Put(buffer, recordSize, receipts::kStateMarker, store.stateMarker[i]);
    Put(buffer, recordSize, receipts::kReceiptId, store.receiptId[i]);
    return;
  }
  if (!store.putLines.empty()) {
    if (auto put = store.putLines.find(Offset(position)); put != store.putLines.end()) {
      CopyRecord(put->second, buffer, room);
      return;
    }
  }
  std::memset(buffer, 0, room);
  Put(buffer, recordSize, lines::kItemRef, store.lines.itemRef[position]);
  Put(buffer, recordSize, lines::kLineAmountA, store.lines.amountA.At(position));
  Put(buffer, recordSize, lines::kLineAmountB, store.lines.amountB.At(position));
  Put(buffer, recordSize, lines::kGoodsGroup, store.lines.goodsGroup[position]);
  Put(buffer, recordSize, lines::kLineState, store.lines.lineState[position]);
}

std::uint32_t TablesGeneration() {
  State();
  return generation;
}

std::size_t TableRecordCount(int table) {
  if (table == receipts::kNumber) return ReceiptsInScanOrder();
  return table == lines::kNumber ? State().selectedLines : 0;
}

std::vector<std::uint8_t> TableRecord(int table, std::size_t place) {
  const int builtIn = table == receipts::kNumber ? receipts::kRecordSize : lines::kRecordSize;
  const std::size_t room = std::max<std::size_t>(RecordBufferSize(table), static_cast<std::size_t>(builtIn));
  const TableDescriptor* descriptor = FindTable(table);
  const std::size_t claimed =
      descriptor != nullptr ? static_cast<std::uint16_t>(descriptor->recordSize) : static_cast<std::size_t>(builtIn);
  std::vector<std::uint8_t> record(room);
  if (table == lines::kNumber) {
    const auto stored = StoredLineAt(State(), place);
    if (!stored) return {};
    place = *stored;
  } else if (place >= ReceiptsInScanOrder()) {
    return {};
  }
  BuildRecord(table, place, record.data(), room, claimed);
  return record;
}

void PutTableRecord(int table, std::size_t place, std::vector<std::uint8_t> record) {
  Store& store = State();
  if (table == receipts::kNumber) {
    if (place < store.scanOrder.size()) {
      store.putReceipts[store.scanOrder[place]] = std::move(record);
    } else if (place < ReceiptsInScanOrder()) {
      store.addedReceipts[place - store.scanOrder.size()] = std::move(record);
    } else {
      store.addedReceipts.push_back(std::move(record));
    }
  } else if (table == lines::kNumber) {
    if (const auto stored = StoredLineAt(store, place)) store.putLines[*stored] = std::move(record);
  }
}

StoreView ViewStore() {
  const Store& store = State();
  return {&store.scanOrder,        store.receiptId.data(),   store.amountFlags.data(),
          store.saleTime.data(),   store.stateMarker.data(), store.saleDay.data(),
          store.documentNumber.data(), store.remark.data(),  store.texts.data(),
          store.lines.itemRef.data(),    &store.lines.amountA,           &store.lines.amountB,
          store.lines.goodsGroup.data(), store.lines.lineState.data()};
}

}  // namespace host
