// The emulator's shop reader on arbitrary CSV: the streaming reader on the bytes, and the
// whole shop check with the bytes as receipts.csv or as lines.csv (first byte chooses).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "export/record_layout.h"
#include "fuzz/support.h"
#include "host/shop_data.h"

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
  host::ShopTables tables;
  auto error = host::ReadShop(folder, selected, tspr::kRecordSize, tspr_dok::kRecordSize, tables);
  if (error) {
    if (!tables.receipts.empty() || !tables.lines.empty()) Fail("a refused shop left records");
    if (error->reason.empty() || error->Text().empty()) Fail("a fault without a reason");
  } else {
    for (const auto& record : tables.receipts) {
      if (record.size() != static_cast<std::size_t>(tspr::kRecordSize)) Fail("a receipt record of the wrong size");
    }
    for (const auto& record : tables.lines) {
      if (record.size() != static_cast<std::size_t>(tspr_dok::kRecordSize)) Fail("a line record of the wrong size");
    }
    std::size_t covered = 0;
    for (const auto& range : tables.lineIndex) {
      if (range.begin > range.end || range.end > tables.lines.size()) Fail("an index range outside table 45");
      covered += range.end - range.begin;
    }
    if (covered > tables.lines.size()) Fail("index ranges overlap");
  }
  return 0;
}
