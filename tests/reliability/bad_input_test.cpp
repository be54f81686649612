// Bad input from the settings file and the host's records: overlong and odd settings values,
// texts of every length with every byte, XML's special characters, sale times and dates out
// of range, repeated receipt ids, a shop without receipts. Each gives a well-formed report
// (or a clear refusal), never a crash, a buffer overrun or a lost host block.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/export_run.h"
#include "export/record_layout.h"
#include "export/report_file.h"
#include "binding/host_api.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/tables/tables.h"
#include "host/tables/table_store.h"
#include "settings/settings.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Reliability = GoldenShopSession;

class BadInput : public Reliability {
 protected:
  static void SetText(std::vector<std::uint8_t>& record, int offset, int room, const std::string& text) {
    std::memset(record.data() + offset, 0, static_cast<std::size_t>(room));
    std::memcpy(record.data() + offset, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(room - 1)));
  }
  static void SetShort(std::vector<std::uint8_t>& record, int offset, std::int16_t value) {
    std::memcpy(record.data() + offset, &value, 2);
  }
  // Changes a field of a receipt's record as the host holds it.
  static void PutText(std::int32_t id, int offset, int room, const std::string& text) {
    std::vector<std::uint8_t> record = Receipt(id);
    SetText(record, offset, room, text);
    host::PutTableRecord(tspr::kTable, ReceiptPlace(id), record);
  }
  static void PutShort(std::int32_t id, int offset, std::int16_t value) {
    std::vector<std::uint8_t> record = Receipt(id);
    SetShort(record, offset, value);
    host::PutTableRecord(tspr::kTable, ReceiptPlace(id), record);
  }
  // The report of the whole table, checked to be well-formed with nothing left behind.
  std::string Report(const std::string& where) {
    std::error_code ignored;
    fs::remove_all("RAP_KART", ignored);
    EXPECT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1) << where;
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    auto reports = ReportFiles();
    if (reports.size() != 1u) {
      ADD_FAILURE() << where << ": " << reports.size() << " reports";
      return "";
    }
    std::string report = ReadBytes(reports[0]);
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
      if (std::strcmp(key.key, kPartnerIdKey.key) == 0) {  // none of these is a partner number
        EXPECT_TRUE(reports.empty()) << where;
        std::string kept;
        host::ReadSettingText("Kronilog.ini", key.section, key.key, &kept);
        EXPECT_EQ(kept, value) << where;
        continue;
      }
      ASSERT_EQ(reports.size(), 1u) << where;
      EXPECT_TRUE(WellFormed(ReadBytes(reports[0]))) << where;
      // The shop name reaches the message's first line cut to its 99 bytes.
      const std::string message = ReadBytes("message.eml");
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
  // The control byte ends the number, as a blank would.
  EXPECT_NE(report.find("<CardNumber>77&lt;&amp;&gt;\"'</CardNumber>"), std::string::npos) << report;
  EXPECT_NE(report.find("<InvoiceNumber>&lt;Transaction&gt;&amp;amp;]]&gt;</InvoiceNumber>"), std::string::npos);
}

// A card receipt whose own record cannot be read (its sale time is no minute of the day, its
// sale date does not parse, its card number is longer than the report's field) is left out of the report, and after the export one box tells
// how many were left out and names them; the rest of the report is mailed as usual.
TEST_F(BadInput, UnreadableCardReceiptsAreLeftOutAndNamedInOneBox) {
  ReadAllRegisters();
  const std::size_t all = ElementValues(Report("clean"), "Transaction").size();
  ASSERT_GT(all, 0u);
  const std::string leftOutOne =
      "W raporcie pomini\u0119to paragony z kart\u0105, kt\u00f3rych nie mo\u017cna poprawnie odczyta\u0107\n"
      "(b\u0142\u0119dna data lub godzina sprzeda\u017cy, numer karty d\u0142u\u017cszy ni\u017c 29 znak\u00f3w "
      "albo zbyt du\u017ca kwota).\n"
      "Liczba pomini\u0119tych paragon\u00f3w: 1.\n"
      "Numery paragon\u00f3w: PROBE.\n"
      "Pozosta\u0142e paragony s\u0105 w raporcie.";
  PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "PROBE");
  auto expectLeftOut = [&](const std::string& where) {
    const std::string report = Report(where);
    EXPECT_EQ(ElementValues(report, "Transaction").size(), all - 1) << where;
    EXPECT_EQ(report.find("PROBE"), std::string::npos) << where;
    EXPECT_EQ(Events("mail").size(), 1u) << where;
    std::vector<std::string> boxes;
    for (const auto& message : Events("message")) {
      if (message["style"] == 1) boxes.push_back(message["text"]);
    }
    EXPECT_EQ(boxes, std::vector<std::string>{leftOutOne}) << where;
  };
  for (std::int16_t time : {std::int16_t{-1}, std::int16_t{1440}, std::int16_t{32767}, std::int16_t{-32768}}) {
    StartSession();
    ReadAllRegisters();
    PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "PROBE");
    PutShort(101, tspr::kSaleTime, time);
    expectLeftOut("time " + std::to_string(time));
  }
  PutShort(101, tspr::kSaleTime, 1439);
  EXPECT_NE(Report("1439").find("T23:59:00.000"), std::string::npos);

  for (const char* date : {"99.99.99", "ab.cd.ef", "\xff\xff\xff", "31.13.26", "1.3.26x"}) {
    StartSession();
    ReadAllRegisters();
    PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "PROBE");
    PutText(101, tspr::kSaleDate, tspr::kSaleDateRoom, date);
    expectLeftOut(date);
  }

  // A card number longer than its field is never cut into another card's number.
  for (const char* remark : {"Karta: 771234567890123456789012345678", "Karta:77123456789012345678901234567890 Jan"}) {
    StartSession();
    ReadAllRegisters();
    PutText(101, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "PROBE");
    PutText(101, tspr::kRemark, tspr::kRemarkRoom, remark);
    expectLeftOut(remark);
  }

  // Many: the count, the first five numbers and how many more.
  StartSession();
  ReadAllRegisters();
  int changed = 0;
  for (std::size_t place = 0; place < host::TableRecordCount(tspr::kTable); ++place) {
    std::vector<std::uint8_t> record = host::TableRecord(tspr::kTable, place);
    std::int32_t id;
    std::memcpy(&id, record.data() + tspr::kReceiptId, 4);
    if (id == 0) continue;
    SetText(record, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, "N" + std::to_string(id));
    SetText(record, tspr::kRemark, tspr::kRemarkRoom, "Karta: 7700" + std::to_string(id));
    SetShort(record, tspr::kSaleTime, 2000);
    host::PutTableRecord(tspr::kTable, place, record);
    ++changed;
  }
  Report("all unreadable");
  const auto messages = Events("message");
  ASSERT_FALSE(messages.empty());
  const std::string box = messages.back()["text"];
  const std::string counted = "paragon\u00f3w: ";
  ASSERT_NE(box.find(counted), std::string::npos) << box;
  const std::string numbers = box.substr(box.find("\nNumery paragon"));
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), ','), 4) << box;
  const int count = std::stoi(box.substr(box.find(counted) + counted.size()));
  EXPECT_GT(count, 5);
  EXPECT_LE(count, changed);
  EXPECT_NE(numbers.find(" i " + std::to_string(count - 5) + " "), std::string::npos) << box;
  EXPECT_GT(changed, 6);
}

TEST_F(BadInput, RepeatedReceiptIdsInTheShopAreRefusedBeforeAnythingIsLoaded) {
  fs::create_directory("shop");
  fs::copy_file(GoldenShop() / "lines.csv", "shop/lines.csv");
  std::string receipts = ReadBytes(GoldenShop() / "receipts.csv");
  const std::string second = receipts.substr(receipts.find('\n') + 1);
  WriteBytes("shop/receipts.csv", receipts + second.substr(0, second.find('\n') + 1));
  options.shopDir = folder / "shop";
  StartSession();
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
  options.shopDir = WriteShop("shop", "", "");
  StartSession();
  EXPECT_EQ(RunAutomaticExport(), 1);
  auto reports = ReportFiles();
  ASSERT_EQ(reports.size(), 1u);
  const std::string report = ReadBytes(reports[0]);
  EXPECT_TRUE(WellFormed(report));
  EXPECT_TRUE(ElementValues(report, "Transaction").empty());
  EXPECT_EQ(ElementValues(report, "Checksum"), std::vector<std::string>{"0.00"});
  EXPECT_EQ(Events("mail").size(), 1u);
  EXPECT_EQ(IniValue("Kronilog.ini", kSectionBookkeeping, kLastExportDateKey.key), "15.03.26");
}

}  // namespace
