// The emulator's shop reader on arbitrary CSV: the streaming reader on the bytes, and the
// whole shop check with the bytes as receipts.csv or as lines.csv (first byte chooses).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "export/record_layout.h"
#include "fuzz/support.h"
#include "host/shop/shop_loader.h"
#include "host/shop/csv_reader.h"
#include "host/tables/table_store.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string& folder = fuzz::WorkFolder();
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  host::CsvReader reader(text, "fuzz.csv");
  long lastLine = 0;
  while (reader.Next()) {
    for (std::size_t i = 0; i < reader.FieldCount(); ++i) {
      std::string_view field = reader.Field(i);
      if (field.size() > text.size()) Fail("a field longer than the input");
      if (reader.FieldLine(i) < 1 || reader.FieldColumn(i) < 1) Fail("a field before the first line");
    }
    if (reader.RowLine() < lastLine) Fail("rows going backwards");
    lastLine = reader.RowLine();
  }
  if (reader.error() && reader.error()->line < 1) Fail("a fault without a line");

  const bool receipts = (data[0] & 1) == 0;
  fuzz::WriteFile(folder + "/receipts.csv",
                  receipts ? text
                           : "register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n"
                             "1,1,A,01.03.26,600,Karta: 7711,0,0\n2,2,B,,0,,1,0\n3,3,C,02.03.26,1439,x,255,-1\n");
  fuzz::WriteFile(folder + "/lines.csv",
                  receipts ? "receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState\n" : text);
  std::array<bool, 10> selected;
  selected.fill(true);
  selected[data[0] % 10] = (data[0] & 2) == 0;
  auto error = host::LoadShop(folder);
  const host::Selection selection = host::SelectRegisters(selected);
  if (error) {
    if (host::StoredReceipts() != 0 || host::StoredLines() != 0 || selection.receipts != 0) {
      Fail("a refused shop left records");
    }
    if (error->reason.empty() || error->Text().empty()) Fail("a fault without a reason");
  } else {
    if (selection.receipts > host::StoredReceipts() || selection.lines > host::StoredLines()) {
      Fail("more selected than stored");
    }
    std::size_t covered = 0;
    for (std::size_t place = 0; place < host::TableRecordCount(tspr::kTable); ++place) {
      const auto record = host::TableRecord(tspr::kTable, place);
      if (record.size() != static_cast<std::size_t>(tspr::kRecordSize)) Fail("a receipt record of the wrong size");
      std::int32_t id;
      std::memcpy(&id, record.data() + tspr::kReceiptId, sizeof id);
      const host::LineRange range = host::LinesOfReceipt(id);
      if (range.begin > range.end || range.end > host::StoredLines()) Fail("an index range outside table 45");
      covered += range.end - range.begin;
    }
    if (covered != selection.lines) Fail("index ranges that do not cover the selected lines once");
    for (std::size_t place = 0; place < host::TableRecordCount(tspr_dok::kTable); ++place) {
      if (host::TableRecord(tspr_dok::kTable, place).size() != static_cast<std::size_t>(tspr_dok::kRecordSize)) {
        Fail("a line record of the wrong size");
      }
    }
  }
  return 0;
}
