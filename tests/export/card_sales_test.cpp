// Card sales that used to be lost or misreported: amounts of any size, control bytes after
// the card marker, two exports in one second. Each runs on a shop written by the test.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export/report_file.h"
#include "binding/host_api.h"
#include "host/memory/memory.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::ElementValues;
using testsupport::ReadBytes;
using testsupport::ReportFiles;
using testsupport::SchemaErrors;

// One card receipt of 10 March with one line of the amount (host units) and the remark.
struct Sale {
  std::string amount;
  std::string remark = "Karta: 7712345";
};

class CardSales : public testsupport::GoldenShopSession {
 protected:
  void UseShop(const std::vector<Sale>& sales) {
    std::string receipts;
    std::string lines;
    for (std::size_t i = 0; i < sales.size(); ++i) {
      const std::string id = std::to_string(i + 1);
      receipts += "1," + id + ",PAR/" + id + ",10.03.26,600,\"" + sales[i].remark + "\",0,0\n";
      lines += id + ",1," + sales[i].amount + ",0,2,1\n";
    }
    options.shopDir = testsupport::WriteShop("shop", receipts, lines);
    StartSession();
    ReadAllRegisters();
  }
  // "123.45" as grosze.
  static std::int64_t Grosze(const std::string& amount) {
    const std::size_t point = amount.find('.');
    return std::stoll(amount.substr(0, point)) * 100 + std::stoll(amount.substr(point + 1));
  }
};

// Every amount is rounded to the grosz, halves away from zero, with no 32-bit ceiling, and the
// checksum is the sum of the amounts written to the last digit.
TEST_F(CardSales, AmountsOfAnySizeAreWrittenAndSummedExactly) {
  struct Case { const char* units; const char* written; };
  const std::vector<Case> cases = {
      {"2147483647", "214748.36"},             // the old ceiling
      {"2147483650", "214748.37"},             // half a grosz goes up
      {"3000000000", "300000.00"},
      {"10000000000000", "1000000000.00"},
      {"1000000000000000", "100000000000.00"},  // the largest amount a shop file may hold
      {"999999999999949.9", "99999999999.99"},
      {"150", "0.02"},
      {"149.99", "0.01"},
      {"0.5", "0.00"},
      {"250125", "25.01"},
  };
  std::vector<Sale> sales;
  for (const Case& c : cases) sales.push_back({c.units});
  UseShop(sales);
  ASSERT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string report = ReadBytes(files[0]);
  EXPECT_EQ(SchemaErrors(files[0]), "");
  const auto amounts = ElementValues(report, "InvoiceAmount");
  ASSERT_EQ(amounts.size(), cases.size());
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(amounts[i], cases[i].written) << cases[i].units;
    sum += Grosze(amounts[i]);
  }
  const auto checksum = ElementValues(report, "Checksum");
  ASSERT_EQ(checksum.size(), 1u);
  EXPECT_EQ(Grosze(checksum[0]), sum) << checksum[0];
}

// A tab or another control byte after "Karta:" separates like a blank: the card number never
// holds one, and the report always passes its schema.
TEST_F(CardSales, ControlBytesAfterTheCardMarkerNeverEnterTheCardNumber) {
  UseShop({{"100", "Karta:\t7711111"},
           {"100", "Karta: 77\x01\x02" "22222"},
           {"100", "Karta: 7733333\x1F" "Jan"},
           {"100", "Karta: 7744\x7F"}});
  ASSERT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(SchemaErrors(files[0]), "");
  EXPECT_EQ(ElementValues(ReadBytes(files[0]), "CardNumber"),
            (std::vector<std::string>{"7711111", "77", "7733333", "7744"}));
}

// Two exports in the same second never share a report file: the second takes the next name,
// and both reports are whole and mailed.
TEST_F(CardSales, TwoExportsInOneSecondKeepTheirOwnReports) {
  UseShop({{"100"}});
  ASSERT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1);
  ASSERT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].filename(), "H0001_20260315102030.xml");
  EXPECT_EQ(files[1].filename(), "H0001_20260315102030_2.xml");
  for (const auto& file : files) EXPECT_EQ(SchemaErrors(file), "") << file;
  auto mails = Events("mail");
  ASSERT_EQ(mails.size(), 2u);
}

}  // namespace
