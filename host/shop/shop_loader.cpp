// Reading the shop folder into the store (see shop_loader.h for the files and checks).
#include "host/shop/shop_loader.h"

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "host/dates/calendar.h"
#include "host/session/session_options.h"
#include "host/shop/shop_checks.h"
#include "host/system/file_open.h"
#include "host/tables/record_layout.h"
#include "host/tables/table_store.h"

namespace host {
namespace {

constexpr std::string_view kReceiptColumns[] = {"register", "receiptId", "documentNumber",
                                                "saleDate", "saleTime",  "remark",
                                                "amountFlags", "stateMarker"};
constexpr std::string_view kLineColumns[] = {"receiptId",  "itemRef",    "lineAmountA",
                                             "lineAmountB", "goodsGroup", "lineState"};

enum ReceiptField { kRegister, kReceiptId, kDocumentNumber, kSaleDate, kSaleTime, kRemark,
                    kAmountFlags, kStateMarker };
enum LineField { kLineReceiptId, kItemRef, kLineAmountA, kLineAmountB, kGoodsGroup, kLineState };

// What the session's store was read from: the folder and its two files' size and time.
struct Loaded {
  bool valid = false;
  std::filesystem::path folder;
  std::array<std::uintmax_t, 2> sizes{};
  std::array<std::filesystem::file_time_type, 2> times{};
};

// A receipt id and where it is: sorted by id, it finds a line's receipt and a repeated id.
struct ReceiptKey {
  std::int32_t id;
  std::uint32_t place;  // in file order
};

struct Where {
  std::uint32_t line;
  std::uint32_t column;
};

struct FileCloser {
  std::FILE* file;
  ~FileCloser() {
    if (file != nullptr) std::fclose(file);
  }
};

// A shop file open for reading; a folder, a named pipe or a device in its place is refused
// with what it is (a named pipe would hang the session, a folder read as an empty file).
std::FILE* OpenShopFile(const std::filesystem::path& path, std::optional<ShopError>& error) {
  ReadableFile opened = OpenRegularFile(path);
  if (opened.file == nullptr) error = ShopError{path.string(), 0, 0, opened.problem};
  return opened.file;
}

std::optional<ShopError> TooLarge(const std::filesystem::path& path) {
  return ShopError{path.string(), 0, 0, "the shop is larger than the host's tables can hold"};
}

std::optional<ShopError> ReadReceipts(const std::filesystem::path& path, std::vector<ReceiptKey>& keys) {
  std::optional<ShopError> error;
  std::FILE* file = OpenShopFile(path, error);
  if (file == nullptr) return error;
  FileCloser closer{file};
  CsvReader csv(file, path.string());
  if (!CheckHeader(csv, kReceiptColumns, error)) return error;
  RowChecker check(csv, error);
  std::vector<Where> where;
  while (csv.Next()) {
    if (!CheckFieldCount(csv, std::size(kReceiptColumns), error)) return error;
    long long reg = 0, id = 0, time = 0, flags = 0, state = 0;
    ReceiptFields receipt;
    if (!check.Integer(kRegister, "register", 1, 10, reg) ||
        !check.Integer(kReceiptId, "receiptId", INT32_MIN, INT32_MAX, id) ||
        !check.Text(kDocumentNumber, "documentNumber", receipts_table::kDocumentNumberRoom, 0,
                    &receipt.documentNumber)) {
      return error;
    }
    std::string_view dateText = csv.Field(kSaleDate);
    if (!dateText.empty()) {
      auto date = ParseHostDateText(dateText);
      if (!date) {
        check.Fail(kSaleDate, "saleDate \"" + Shown(dateText) + "\" is not a date dd.mm.yy (2000-2099) or empty");
        return error;
      }
      receipt.saleDay = static_cast<std::uint16_t>(DayNumber(*date));
    }
    if (!check.Integer(kSaleTime, "saleTime", INT16_MIN, INT16_MAX, time)) return error;
    if (time < 0 || time > 1439) {
      check.Fail(kSaleTime, "saleTime " + std::to_string(time) +
                                " is not a time of day in minutes after midnight (0..1439)");
      return error;
    }
    if (!check.Text(kRemark, "remark", receipts_table::kRemarkRoom, 1, &receipt.remark) ||
        !check.Integer(kAmountFlags, "amountFlags", 0, 255, flags) ||
        !check.Integer(kStateMarker, "stateMarker", INT16_MIN, INT16_MAX, state)) {
      return error;
    }
    receipt.id = static_cast<std::int32_t>(id);
    receipt.cashRegister = static_cast<std::uint8_t>(reg);
    receipt.amountFlags = static_cast<std::uint8_t>(flags);
    receipt.saleTime = static_cast<std::int16_t>(time);
    receipt.stateMarker = static_cast<std::int16_t>(state);
    if (!AddReceipt(receipt)) return TooLarge(path);
    keys.push_back({receipt.id, static_cast<std::uint32_t>(keys.size())});
    where.push_back({static_cast<std::uint32_t>(csv.FieldLine(kReceiptId)),
                     static_cast<std::uint32_t>(csv.FieldColumn(kReceiptId))});
  }
  if (csv.error()) return csv.error();

  // A receipt id given twice: report the repetition that comes first in the file.
  std::sort(keys.begin(), keys.end(), [](const ReceiptKey& a, const ReceiptKey& b) {
    return a.id != b.id ? a.id < b.id : a.place < b.place;
  });
  const ReceiptKey* repeated = nullptr;
  const ReceiptKey* original = nullptr;
  for (std::size_t i = 1; i < keys.size(); ++i) {
    if (keys[i].id != keys[i - 1].id) continue;
    std::size_t first = i - 1;
    while (first > 0 && keys[first - 1].id == keys[i].id) --first;
    if (repeated == nullptr || keys[i].place < repeated->place) {
      original = &keys[first];
      repeated = &keys[i];
    }
  }
  if (repeated != nullptr) {
    const Where at = where[repeated->place];
    return ShopError{path.string(), static_cast<long>(at.line), static_cast<long>(at.column),
                     "receiptId " + std::to_string(repeated->id) + " was already given on line " +
                         std::to_string(where[original->place].line)};
  }
  return std::nullopt;
}

// The rows of lines.csv into columns, each number checked; the file line of every row is kept
// for the check of its receipt afterwards (receiptId is the first column). Runs on a thread of
// its own while receipts.csv is read: it touches nothing but what it is given.
struct LinesRead {
  LineColumns columns;
  std::vector<std::uint32_t> fileLines;
  std::optional<ShopError> error;
};

void ReadLineRows(const std::filesystem::path& path, std::size_t expected, LinesRead& out) {
  std::FILE* file = OpenShopFile(path, out.error);
  if (file == nullptr) return;
  FileCloser closer{file};
  CsvReader csv(file, path.string());
  if (!CheckHeader(csv, kLineColumns, out.error)) return;
  out.columns.Reserve(expected);
  out.fileLines.reserve(expected);
  RowChecker check(csv, out.error);
  while (csv.Next()) {
    if (!CheckFieldCount(csv, std::size(kLineColumns), out.error)) return;
    long long id = 0, item = 0, group = 0, state = 0;
    LineFields line;
    if (!check.Integer(kLineReceiptId, "receiptId", INT32_MIN, INT32_MAX, id) ||
        !check.Integer(kItemRef, "itemRef", INT32_MIN, INT32_MAX, item) ||
        !check.Amount(kLineAmountA, "lineAmountA", line.amountA) ||
        !check.Amount(kLineAmountB, "lineAmountB", line.amountB) ||
        !check.Integer(kGoodsGroup, "goodsGroup", INT16_MIN, INT16_MAX, group) ||
        !check.Integer(kLineState, "lineState", INT16_MIN, INT16_MAX, state)) {
      return;
    }
    line.receiptId = static_cast<std::int32_t>(id);
    line.itemRef = static_cast<std::int32_t>(item);
    line.goodsGroup = static_cast<std::int16_t>(group);
    line.lineState = static_cast<std::int16_t>(state);
    if (!out.columns.Add(line)) {
      out.error = TooLarge(path);
      return;
    }
    out.fileLines.push_back(static_cast<std::uint32_t>(csv.FieldLine(kLineReceiptId)));
  }
  if (csv.error()) out.error = csv.error();
}

// Every line read must belong to a receipt of receipts.csv; the first that does not is the
// fault, unless the rows stopped at a fault before it.
std::optional<ShopError> CheckLineReceipts(const std::filesystem::path& path, const LinesRead& lines,
                                           const std::vector<ReceiptKey>& keys) {
  bool haveLast = false;
  std::int32_t lastId = 0;  // the receipt of the line before: most lines follow their receipt's
  const std::vector<std::int32_t>& ids = lines.columns.receiptId;
  for (std::size_t row = 0; row < ids.size(); ++row) {
    const std::int32_t id = ids[row];
    if (haveLast && id == lastId) continue;
    auto receipt = std::lower_bound(keys.begin(), keys.end(), id,
                                    [](const ReceiptKey& key, std::int32_t wanted) { return key.id < wanted; });
    if (receipt == keys.end() || receipt->id != id) {
      return ShopError{path.string(), static_cast<long>(lines.fileLines[row]), 1,
                       "receiptId " + std::to_string(id) + " is not a receipt of receipts.csv"};
    }
    haveLast = true;
    lastId = id;
  }
  return lines.error;
}

Loaded& Source() { return SessionState<Loaded>(); }

// The two files' sizes and times now; false when either cannot be looked at.
bool Look(const std::filesystem::path& folder, Loaded& seen) {
  std::error_code error;
  const std::filesystem::path files[2] = {folder / "receipts.csv", folder / "lines.csv"};
  for (std::size_t i = 0; i < 2; ++i) {
    seen.sizes[i] = std::filesystem::file_size(files[i], error);
    if (error) return false;
    seen.times[i] = std::filesystem::last_write_time(files[i], error);
    if (error) return false;
  }
  seen.folder = folder;
  return true;
}

}  // namespace

std::filesystem::path ShopFolder() {
  const auto& folder = options().shopDir;
  if (!folder.empty()) return folder;
  return std::filesystem::path(KRONILOG_SOURCE_DIR) / "examples" / "shop";
}

std::optional<ShopError> LoadShop(const std::filesystem::path& folder) {
  Loaded seen;
  const bool looked = Look(folder, seen);
  Source() = Loaded{};
  ClearStore();
  // Rows of receipts.csv take some 40 bytes and more, of lines.csv some 24 and more, and a
  // receipt's texts less than half its row.
  if (looked) ReserveReceipts(seen.sizes[0] / 40, seen.sizes[0] / 2);
  std::optional<ShopError> error;
  {
    // The two files are read at once, each on a thread of its own; the lines' receipts are
    // checked when both are done, and a fault of receipts.csv comes first.
    LinesRead lines;
    const std::filesystem::path linesFile = folder / "lines.csv";
    const std::size_t expectedLines = looked ? static_cast<std::size_t>(seen.sizes[1] / 24) : 0;
    std::thread reader;
    try {
      reader = std::thread(ReadLineRows, std::cref(linesFile), expectedLines, std::ref(lines));
    } catch (const std::system_error&) {
      ReadLineRows(linesFile, expectedLines, lines);
    }
    std::vector<ReceiptKey> keys;
    error = ReadReceipts(folder / "receipts.csv", keys);
    if (reader.joinable()) reader.join();
    if (!error) error = CheckLineReceipts(linesFile, lines, keys);
    if (!error) AdoptLines(std::move(lines.columns));
  }
  if (error) {
    ClearStore();
    return error;
  }
  FinishLoading();
  seen.valid = looked;
  Source() = seen;
  return std::nullopt;
}

std::optional<ShopError> EnsureShopLoaded() {
  const std::filesystem::path folder = ShopFolder();
  Loaded now;
  const Loaded& before = Source();
  if (before.valid && Look(folder, now) && now.folder == before.folder && now.sizes == before.sizes &&
      now.times == before.times) {
    return std::nullopt;
  }
  return LoadShop(folder);
}

}  // namespace host
