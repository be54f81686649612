// Bad input from the settings file and the host's records: overlong and odd settings values,
// texts of every length with every byte, XML's special characters, sale times and dates out
// of range, repeated receipt ids, a shop without receipts. Each gives a well-formed report
// (or a clear refusal), never a crash, a buffer overrun or a lost host block.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/export_run.h"
#include "export/record_layout.h"
#include "export/report_file.h"
#include "frame/host_api.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/tables/tables.h"
#include "host/tables/table_store.h"
#include "settings/settings.h"
#include "tests/reliability/support.h"

namespace {

namespace fs = std::filesystem;
using namespace reliability;

class BadInput : public Reliability {
 protected:
  void ReadAllRegisters() {
    short flags[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    HostCashRegisterSelect(flags, 10);
    HostCashRegisterRead(1, 0);
  }
  // The place of a receipt in table 44 (index 24's order).
  static std::size_t Place(std::int32_t id) {
    for (std::size_t place = 0; place < host::TableRecordCount(tspr::kTable); ++place) {
      std::vector<std::uint8_t> record = host::TableRecord(tspr::kTable, place);
      std::int32_t found;
      std::memcpy(&found, record.data() + tspr::kReceiptId, 4);
      if (found == id) return place;
    }
    ADD_FAILURE() << "no receipt " << id;
    return 0;
  }
  static std::vector<std::uint8_t> Receipt(std::int32_t id) { return host::TableRecord(tspr::kTable, Place(id)); }
  // Changes a field of a receipt's record as the host holds it.
  static void PutText(std::int32_t id, int offset, int room, const std::string& text) {
    std::vector<std::uint8_t> record = Receipt(id);
    std::memset(record.data() + offset, 0, static_cast<std::size_t>(room));
    std::memcpy(record.data() + offset, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(room - 1)));
    host::PutTableRecord(tspr::kTable, Place(id), record);
  }
  static void PutShort(std::int32_t id, int offset, std::int16_t value) {
    std::vector<std::uint8_t> record = Receipt(id);
    std::memcpy(record.data() + offset, &value, 2);
    host::PutTableRecord(tspr::kTable, Place(id), record);
  }
  // The report of the whole table, checked to be well-formed with nothing left behind.
  std::string Report(const std::string& where) {
    std::error_code ignored;
    fs::remove_all("RAP_KART", ignored);
    EXPECT_EQ(BuildReportFile(1, "", ""), 1) << where;
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    auto reports = ReportFiles();
    if (reports.size() != 1u) {
      ADD_FAILURE() << where << ": " << reports.size() << " reports";
      return "";
    }
    std::string report = ReadText(reports[0]);
    EXPECT_TRUE(WellFormed(report)) << where << "\n" << report;
    return report;
  }
};

TEST_F(BadInput, OverlongAndOddValuesInEverySettingsKey) {
  const std::vector<std::string> values = {
      std::string(1000, '9'), std::string(600, '\xA7'), "abc", "  -7  ", "%s%n%s%d", "-2147483649",
  };
  for (int k = 0; k < kSettingKeyCount; ++k) {
    const SettingKey& key = kSettingKeys[k];
    for (const auto& value : values) {
      const std::string where = std::string(key.section) + "/" + key.key + "=" + value.substr(0, 12);
      FreshFolder();
      host::WriteSettingText("Kronilog.ini", key.section, key.key, value);
      EXPECT_EQ(RunAutomaticExport(), 1) << where;
      EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
      EXPECT_EQ(host::OpenFiles(), 0) << where;
      auto reports = ReportFiles();
      ASSERT_EQ(reports.size(), 1u) << where;
      EXPECT_TRUE(WellFormed(ReadText(reports[0]))) << where;
      // The shop name reaches the message's first line cut to its 99 bytes.
      const std::string message = ReadText("message.eml");
      const std::string firstLine = message.substr(0, message.find('\n'));
      EXPECT_LE(firstLine.size(), std::string("Subject: Raport ze sklepu .").size() + 2 * 99) << where;
    }
  }
}

TEST_F(BadInput, RemarksAndDocumentNumbersOfEveryLengthWithEveryByte) {
  ReadAllRegisters();
  for (int length = 0; length <= tspr::kDocumentNumberRoom; ++length) {
    std::string text;
    for (int i = 0; i < length; ++i) text += static_cast<char>((length * 7 + i) % 255 + 1);  // 0x01..0xFF
    PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, text);
    PutText(101, tspr::kRemark, tspr::kRemarkRoom, "Karta: 77123 " + text);
    const std::string where = "length " + std::to_string(length);
    const std::string report = Report(where);
    // The card number always survives, whatever follows it.
    EXPECT_NE(report.find("<CardNumber>77123</CardNumber>"), std::string::npos) << where;
  }
  // A NUL inside ends the text; the bytes after it never reach the file.
  PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, std::string("AB\0CD", 5));
  EXPECT_NE(Report("NUL").find("<InvoiceNumber>AB</InvoiceNumber>"), std::string::npos);
}

TEST_F(BadInput, CardNumbersWithXmlSpecialCharactersAreEscaped) {
  ReadAllRegisters();
  PutText(101, tspr::kRemark, tspr::kRemarkRoom, "Karta: 77<&>\"'\x01x");
  PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "<Transaction>&amp;]]>");
  const std::string report = Report("xml");
  EXPECT_NE(report.find("<CardNumber>77&lt;&amp;&gt;\"' x</CardNumber>"), std::string::npos) << report;
  EXPECT_NE(report.find("<InvoiceNumber>&lt;Transaction&gt;&amp;amp;]]&gt;</InvoiceNumber>"), std::string::npos);
}

TEST_F(BadInput, SaleTimesOutOfRangeAndDatesThatDoNotParseDropTheReceipt) {
  ReadAllRegisters();
  const std::size_t all = ElementValues(Report("clean"), "Transaction").size();
  ASSERT_GT(all, 0u);
  PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "PROBE");
  for (std::int16_t time : {std::int16_t{-1}, std::int16_t{1440}, std::int16_t{32767}, std::int16_t{-32768}}) {
    PutShort(101, tspr::kSaleTime, time);
    const std::string report = Report("time " + std::to_string(time));
    EXPECT_EQ(ElementValues(report, "Transaction").size(), all - 1) << time;
    EXPECT_EQ(report.find("PROBE"), std::string::npos) << time;
  }
  PutShort(101, tspr::kSaleTime, 1439);
  EXPECT_NE(Report("1439").find("T23:59:00.000"), std::string::npos);

  for (const char* date : {"99.99.99", "ab.cd.ef", "\xff\xff\xff", "31.13.26", "1.3.26x"}) {
    PutText(101, tspr::kSaleDate, tspr::kSaleDateRoom, date);
    const std::string report = Report(date);
    EXPECT_EQ(report.find("PROBE"), std::string::npos) << date;
  }
}

TEST_F(BadInput, RepeatedReceiptIdsInTheShopAreRefusedBeforeAnythingIsLoaded) {
  fs::create_directory("shop");
  fs::copy_file(GoldenShop() / "lines.csv", "shop/lines.csv");
  std::string receipts = ReadText(GoldenShop() / "receipts.csv");
  const std::string second = receipts.substr(receipts.find('\n') + 1);
  WriteText("shop/receipts.csv", receipts + second.substr(0, second.find('\n') + 1));
  options.shopDir = folder / "shop";
  Rebind();
  ReadAllRegisters();
  EXPECT_EQ(host::TableRecordCount(tspr::kTable), 0u);
  const std::string report = Report("repeated");
  EXPECT_TRUE(ElementValues(report, "Transaction").empty());
  EXPECT_EQ(ElementValues(report, "Checksum"), std::vector<std::string>{"0.00"});
}

TEST_F(BadInput, TwoRecordsWithOneReceiptIdInTheTableEachBecomeATransaction) {
  // Records put into the table by the host with one id (not through the shop reader): each
  // is its own transaction with the lines of that id; nothing is merged or lost.
  ReadAllRegisters();
  const std::size_t before = ElementValues(Report("before"), "Transaction").size();
  host::PutTableRecord(tspr::kTable, host::TableRecordCount(tspr::kTable), Receipt(101));
  EXPECT_EQ(ElementValues(Report("twice"), "Transaction").size(), before + 1);
}

TEST_F(BadInput, AShopWithoutReceiptsGivesAnEmptyReportThatIsMailed) {
  fs::create_directory("shop");
  WriteText("shop/receipts.csv", "register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n");
  WriteText("shop/lines.csv", "receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState\n");
  options.shopDir = folder / "shop";
  Rebind();
  EXPECT_EQ(RunAutomaticExport(), 1);
  auto reports = ReportFiles();
  ASSERT_EQ(reports.size(), 1u);
  const std::string report = ReadText(reports[0]);
  EXPECT_TRUE(WellFormed(report));
  EXPECT_TRUE(ElementValues(report, "Transaction").empty());
  EXPECT_EQ(ElementValues(report, "Checksum"), std::vector<std::string>{"0.00"});
  EXPECT_EQ(Events("mail").size(), 1u);
  EXPECT_EQ(Setting(kSectionBookkeeping, kKeyLastExportDate), "15.03.26");
}

}  // namespace
