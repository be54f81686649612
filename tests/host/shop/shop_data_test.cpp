// The shop folder: the CSV reader, the checks with their file:line:column, and what lands in
// tables 44 and 45 when the cash registers are read.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "export/record_layout.h"
#include "host/all_services.h"
#include "host/shop/shop_loader.h"
#include "host/shop/csv_reader.h"
#include "host/tables/table_store.h"
#include "host/tables/tables.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using host::CsvReader;
using testsupport::kLineHeader;
using testsupport::WriteBytes;
using testsupport::WriteShop;

std::vector<std::vector<std::string>> ReadAllRows(std::string_view text, std::string* error = nullptr) {
  CsvReader csv(text, "t.csv");
  std::vector<std::vector<std::string>> rows;
  while (csv.Next()) {
    std::vector<std::string> row;
    for (std::size_t i = 0; i < csv.FieldCount(); ++i) row.emplace_back(csv.Field(i));
    rows.push_back(row);
  }
  if (error != nullptr) *error = csv.error() ? csv.error()->Text() : "";
  return rows;
}

TEST(CsvReader, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
  std::string error;
  auto rows = ReadAllRows(
      "\xEF\xBB\xBF" "a,\"b,c\",\"say \"\"hi\"\"\"\r\n"
      "\"two\nlines\",,\"\"\n"
      "\n"
      "last,row", &error);
  EXPECT_EQ(error, "");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"a", "b,c", "say \"hi\""}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"two\nlines", "", ""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"last", "row"}));
}

TEST(CsvReader, FieldsKnowTheirLineAndColumnInCharacters) {
  CsvReader csv(std::string_view("x,\"multi\nline\",łódź,z\n"), "t.csv");
  ASSERT_TRUE(csv.Next());
  ASSERT_EQ(csv.FieldCount(), 4u);
  EXPECT_EQ(csv.FieldLine(1), 1);
  EXPECT_EQ(csv.FieldColumn(1), 3);
  EXPECT_EQ(csv.FieldLine(2), 2);
  EXPECT_EQ(csv.FieldColumn(2), 7);  // after 'line",'
  EXPECT_EQ(csv.FieldColumn(3), 12);  // "łódź," is five characters, not eight bytes
}

TEST(CsvReader, MalformedInputIsRefusedWhereItGoesWrong) {
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {"a,b\nc,\"open\nmore", "t.csv:2:3: the quoted field is never closed"},
      {"a,\"b\"x\n", "t.csv:1:6: text after the closing quote of a field"},
      {"a,b\"c\n", "t.csv:1:4: a quote inside a field that does not begin with one"},
      {"a\rb\n", "t.csv:1:2: a carriage return that does not end the line"},
      {std::string("a,\0\n", 4), "t.csv:1:3: a NUL byte"},
      {"\"" + std::string(70000, 'x'), "t.csv:1:1: a quoted field that runs on for more than 64 KiB"},
      {std::string(70000, ','), "t.csv:1:256: a row with more than 256 fields"},
  };
  for (const auto& c : cases) {
    std::string error;
    ReadAllRows(c.text, &error);
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text.substr(0, 20);
  }
}

// What loading a shop and then selecting registers gives.
struct Loaded {
  std::optional<host::ShopError> error;
  std::size_t receipts = 0;
  std::size_t lines = 0;
};

class ShopData : public testsupport::InProcessHost {
 protected:
  // Loads with every register selected; the result of the loading.
  Loaded Load(const std::filesystem::path& shop, std::array<bool, 10> selected = {
                  true, true, true, true, true, true, true, true, true, true}) {
    Loaded loaded;
    loaded.error = host::LoadShop(shop);
    const host::Selection selection = host::SelectRegisters(selected);
    loaded.receipts = selection.receipts;
    loaded.lines = selection.lines;
    return loaded;
  }
  // The records of a table as its scans deliver them.
  static std::vector<std::vector<std::uint8_t>> Records(int table) {
    std::vector<std::vector<std::uint8_t>> records;
    for (std::size_t place = 0; place < host::TableRecordCount(table); ++place) {
      records.push_back(host::TableRecord(table, place));
    }
    return records;
  }
  static std::vector<std::vector<std::uint8_t>> Receipts() { return Records(44); }
  static std::vector<std::vector<std::uint8_t>> Lines() { return Records(45); }
};

TEST_F(ShopData, RecordsCarryEveryFieldAtItsPlace) {
  auto shop = WriteShop(folder,
      "2,501,\"FV/\xC5\x81\xC3\xB3" "d\xC5\xBA/1\",14.03.26,545,\"Karta: 7712345 Zofia W\xC3\xB3jcik\",1,-2\n",
      "501,77,12500.5,-300,65,1\n");
  auto result = Load(shop);
  ASSERT_FALSE(result.error) << result.error->Text();
  ASSERT_EQ(Receipts().size(), 1u);
  ASSERT_EQ(Lines().size(), 1u);
  const auto receipt = Receipts()[0];
  ASSERT_EQ(receipt.size(), 1268u);
  EXPECT_EQ(TextAt(receipt, tspr::kDocumentNumber), "FV/\x9C\xA2" "d\xA6/1");  // Mazovia
  EXPECT_EQ(TextAt(receipt, tspr::kSaleDate), "14.03.26");
  EXPECT_EQ(TextAt(receipt, tspr::kRemark), "Karta: 7712345 Zofia W\xA2jcik");
  EXPECT_EQ(At<std::uint8_t>(receipt, tspr::kAmountFlags), 1);
  EXPECT_EQ(At<std::int16_t>(receipt, tspr::kSaleTime), 545);
  EXPECT_EQ(At<std::int16_t>(receipt, tspr::kStateMarker), -2);
  EXPECT_EQ(At<std::int32_t>(receipt, tspr::kReceiptId), 501);
  // Nothing else in the record.
  std::size_t nonzero = std::count_if(receipt.begin(), receipt.end(), [](auto b) { return b != 0; });
  EXPECT_EQ(nonzero, 9u + 8u + 27u + 1u + 2u + 2u + 2u);

  const auto line = Lines()[0];
  ASSERT_EQ(line.size(), 515u);
  EXPECT_EQ(At<std::int32_t>(line, tspr_dok::kItemRef), 77);
  EXPECT_EQ(At<double>(line, tspr_dok::kLineAmountA), 12500.5);
  EXPECT_EQ(At<double>(line, tspr_dok::kLineAmountB), -300.0);
  EXPECT_EQ(At<std::int16_t>(line, tspr_dok::kGoodsGroup), 65);
  EXPECT_EQ(At<std::int16_t>(line, tspr_dok::kLineState), 1);
}

TEST_F(ShopData, OnlySelectedRegistersAreLoadedAndReceiptsGoByDate) {
  auto shop = WriteShop(folder,
      "1,1,A,03.03.26,600,,0,0\n"
      "2,2,B,01.03.26,600,,0,0\n"
      "1,3,C,,600,,0,0\n"
      "3,4,D,01.03.26,600,,0,0\n"
      "1,5,E,01.03.26,600,,0,0\n"
      "1,6,F,28.02.26,600,,0,0\n",
      "1,1,100,100,1,1\n2,1,100,100,1,1\n3,1,100,100,1,1\n4,1,100,100,1,1\n5,1,1,1,1,1\n");
  auto result = Load(shop, {true, false, true});
  ASSERT_FALSE(result.error) << result.error->Text();
  std::string order;
  for (const auto& record : Receipts()) order += TextAt(record, tspr::kDocumentNumber);
  EXPECT_EQ(order, "CFDEA");  // no date first, then by day, one day in file order
  EXPECT_EQ(result.receipts, 5u);
  EXPECT_EQ(result.lines, 4u);  // receipt 2 is on register 2
}

TEST_F(ShopData, BadDataIsRefusedWithFileLineAndColumnAndNothingIsLoaded) {
  struct Case {
    std::string receipts;
    std::string lines;
    std::string error;  // after the folder
  } cases[] = {
      {"11,1,A,01.03.26,1,,0,0\n", "", "receipts.csv:2:1: register 11 is outside 1..10"},
      {"1,x1,A,01.03.26,1,,0,0\n", "", "receipts.csv:2:3: receiptId \"x1\" is not a whole number"},
      {"1,1,A,31.02.26,1,,0,0\n", "", "receipts.csv:2:7: saleDate \"31.02.26\" is not a date"},
      {"1,1,A,1.3.26,1,,0,0\n", "", "receipts.csv:2:7: saleDate \"1.3.26\" is not a date"},
      {"1,1,A,01.03.26,1440,,0,0\n", "", "receipts.csv:2:16: saleTime 1440 is not a time of day"},
      {"1,1,A,01.03.26,-5,,0,0\n", "", "receipts.csv:2:16: saleTime -5 is not a time of day"},
      {"1,1,A,01.03.26,5,,256,0\n", "", "receipts.csv:2:19: amountFlags 256 is outside 0..255"},
      {"1,1,A,01.03.26,5,,0,40000\n", "", "receipts.csv:2:21: stateMarker 40000 is outside"},
      {"1,1,A,01.03.26,5,,0\n", "", "receipts.csv:2:20: the row has 7 fields, expected 8"},
      {"1,1,A,01.03.26,5,,0,0,9\n", "", "receipts.csv:2:23: the row has 9 fields, expected 8"},
      {"1,1," + std::string(200, 'D') + ",01.03.26,5,,0,0\n", "",
       "receipts.csv:2:5: documentNumber is 200 characters long; the record has room for 199"},
      {"1,1,A,01.03.26,5,\"" + std::string(100, 'r') + "\xC5\x82\xC3\xB3" "d\xC5\xBA\xC5\x82\xC3\xB3" "d\",0,0\n", "",
       "receipts.csv:2:18: remark is 107"},  // 107 fits: 100 + 7 Polish letters as single bytes
      {"1,1,A,01.03.26,5,\xE2\x82\xAC 5,0,0\n", "", "receipts.csv:2:18: remark \"\xE2\x82\xAC 5\" holds a character"},
      {"1,1,A,01.03.26,5,\xC3\x28,0,0\n", "", "receipts.csv:2:18: remark is not valid UTF-8"},
      {"1,7,A,01.03.26,5,,0,0\n2,8,B,,5,,0,0\n1,7,C,,5,,0,0\n", "",
       "receipts.csv:4:3: receiptId 7 was already given on line 2"},
      {"1,1,A,01.03.26,5,,0,0\n", "2,1,100,100,1,1\n", "lines.csv:2:1: receiptId 2 is not a receipt"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,12\xC5\x82,100,1,1\n", "lines.csv:2:5: lineAmountA \"12\xC5\x82\" is not an amount"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,1e5,100,1,1\n", "lines.csv:2:5: lineAmountA \"1e5\" is not an amount"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,100,100,70000,1\n", "lines.csv:2:13: goodsGroup 70000 is outside"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,100,,1,1\n", "lines.csv:2:9: lineAmountB \"\" is not an amount"},
      // Beyond what a double holds, and beyond the host's largest amount: refused, not read
      // as 0 or as some other number.
      {"1,1,A,01.03.26,5,,0,0\n", "1,1," + std::string(400, '9') + ",0,1,1\n",
       "lines.csv:2:5: lineAmountA 9999999999999999999999999999999999999999... is not an amount the host can keep"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,0,-0." + std::string(400, '0') + "1,1,1\n",
       "lines.csv:2:7: lineAmountB -0.0000000000000000000000000000000000000... is not an amount the host can keep"},
      {"1,1,A,01.03.26,5,,0,0\n", "1,1,1000000000000000.5,0,1,1\n", "lines.csv:2:5: lineAmountA 1000000000000000.5 is not an amount"},
  };
  for (const auto& c : cases) {
    // A good shop first, so that "nothing is loaded" is seen to clear what was there.
    ASSERT_FALSE(Load(WriteShop(folder, "1,1,A,01.03.26,5,,0,0\n", "1,1,100,100,1,1\n")).error);
    ASSERT_EQ(Receipts().size(), 1u);
    auto result = Load(WriteShop(folder, c.receipts, c.lines));
    if (c.error.find("remark is 107") != std::string::npos) {
      EXPECT_FALSE(result.error) << "107 characters fit";
      continue;
    }
    ASSERT_TRUE(result.error) << c.error;
    std::string text = result.error->Text();
    std::string expected = (folder / c.error).string();
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_TRUE(Receipts().empty()) << c.error;
    EXPECT_TRUE(Lines().empty()) << c.error;
    EXPECT_EQ(result.receipts + result.lines, 0u);
  }
}

TEST_F(ShopData, HeaderAndFilesAreChecked) {
  WriteBytes(folder / "receipts.csv", "register,receiptId,docNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n");
  WriteBytes(folder / "lines.csv", kLineHeader);
  auto result = Load(folder);
  ASSERT_TRUE(result.error);
  EXPECT_NE(result.error->Text().find("receipts.csv:1:20: column 3 of the header is \"docNumber\""),
            std::string::npos);
  std::filesystem::remove(folder / "lines.csv");
  WriteShop(folder, "", "");
  std::filesystem::remove(folder / "lines.csv");
  result = Load(folder);
  ASSERT_TRUE(result.error);
  EXPECT_NE(result.error->Text().find("lines.csv: cannot be opened"), std::string::npos);
}

// A folder, a named pipe or a device in place of a shop file is refused saying what it is,
// at once: a named pipe would hold the session, a folder read as an empty file.
TEST_F(ShopData, WhatIsNotARegularFileInPlaceOfAShopFileIsNamed) {
  struct Case {
    const char* file;
    const char* made;
    const char* said;
  };
  for (const Case& c : {Case{"receipts.csv", "fifo", "receipts.csv: is a named pipe (FIFO), not a regular file"},
                        Case{"lines.csv", "fifo", "lines.csv: is a named pipe (FIFO), not a regular file"},
                        Case{"receipts.csv", "folder", "receipts.csv: is a folder, not a file"},
                        Case{"lines.csv", "folder", "lines.csv: is a folder, not a file"},
                        Case{"receipts.csv", "device", "receipts.csv: is a device, not a regular file"}}) {
    SCOPED_TRACE(std::string(c.file) + " " + c.made);
    WriteShop(folder, "1,1,A,01.03.26,5,,0,0\n", "1,1,1,1,1,1\n");
    const std::filesystem::path path = folder / c.file;
    std::filesystem::remove(path);
    if (std::string(c.made) == "fifo") {
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    }
    if (std::string(c.made) == "folder") std::filesystem::create_directory(path);
    if (std::string(c.made) == "device") std::filesystem::create_symlink("/dev/zero", path);
    const auto start = std::chrono::steady_clock::now();
    auto result = Load(folder);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_TRUE(result.error);
    EXPECT_NE(result.error->Text().find(c.said), std::string::npos) << result.error->Text();
    std::filesystem::remove_all(path);
  }
}

TEST_F(ShopData, CashRegisterReadLoadsTheSelectionAndJournalsIt) {
  options.shopDir = WriteShop(folder, "1,1,A,01.03.26,5,,0,0\n2,2,B,01.03.26,5,,0,0\n",
                              "1,1,100,100,1,1\n1,2,100,100,1,1\n2,1,100,100,1,1\n");
  StartSession();
  short flags[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(host::HostCashRegisterSelect(flags, 10), 1);
  *host::HostQuietFlag() = 1;
  EXPECT_EQ(host::HostCashRegisterRead(1, 0), 1);
  EXPECT_EQ(Receipts().size(), 1u);
  EXPECT_EQ(Lines().size(), 2u);
  auto events = Events("cash-registers");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["flags"], nlohmann::json({1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(events[0]["receipts"], 1);
  EXPECT_EQ(events[0]["lines"], 2);
  EXPECT_EQ(events[0]["quiet"], 1);

  WriteBytes(folder / "lines.csv", std::string(kLineHeader) + "3,1,100,100,1,1\n");
  EXPECT_EQ(host::HostCashRegisterRead(1, 0), 0);
  EXPECT_TRUE(Receipts().empty());
  events = Events("cash-registers");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_NE(events[1]["error"].get<std::string>().find("lines.csv:2:1: receiptId 3"), std::string::npos);
  EXPECT_EQ(events[1]["receipts"], 0);
}

TEST_F(ShopData, TheBundledExampleShopLoads) {
  auto result = Load(std::filesystem::path(KRONILOG_SOURCE_DIR) / "examples" / "shop");
  ASSERT_FALSE(result.error) << result.error->Text();
  EXPECT_GE(result.receipts, 30u);
  EXPECT_GE(result.lines, 50u);
}

}  // namespace
