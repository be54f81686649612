// The export code bound in-process to the emulator: the receipt total, the report file
// writer's failure paths and empty bounds, and the export run's handling of the host's flags.
#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/export_run.h"
#include "export/receipt_total.h"
#include "export/record_layout.h"
#include "export/report_file.h"
#include "binding/host_api.h"
#include "host/memory/memory.h"
#include "host/program/program_state.h"
#include "host/program/cash_registers.h"
#include "host/tables/scans.h"
#include "host/tables/tables.h"
#include "host/tables/table_store.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ElementValues;
using testsupport::ReadBytes;
using testsupport::ReportFiles;
using testsupport::SchemaErrors;
using testsupport::WriteBytes;

constexpr std::array<int, 15> kNoGroups = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
// As the golden shop's settings give them: 5, 65537 (group 1), 65535 (-1 in 16 bits), 0, 9.
constexpr std::array<int, 15> kShopGroups = {5, 65537, 65535, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, 9};

class ExportInProcess : public testsupport::GoldenShopSession {
 protected:
  double Total(int receiptId, const std::array<int, 15>& groups) {
    double amount = -1.0;
    EXPECT_EQ(ZliczKwoteParagonuBezGrupy(Receipt(receiptId).data(), groups.data(), &amount), 1);
    return amount;
  }
  std::vector<std::string> MessageTitles() {
    std::vector<std::string> titles;
    for (const auto& event : Events("message")) titles.push_back(event.value("title", ""));
    return titles;
  }
};

TEST_F(ExportInProcess, ReceiptTotalLeavesOutExcludedGroupsByTheirLow16Bits) {
  ReadAllRegisters();
  EXPECT_EQ(Total(107, kNoGroups), 80750.0);
  EXPECT_EQ(Total(107, kShopGroups), 30750.0);  // group 1 (65537) out; -1 and 0 lines stay
  std::array<int, 15> lastKeyOnly = kNoGroups;
  lastKeyOnly[14] = 65537;
  EXPECT_EQ(Total(107, lastKeyOnly), 30750.0);
  EXPECT_EQ(Total(101, kShopGroups), 120000.0);  // the group-5 line is out
  EXPECT_EQ(Total(110, kShopGroups), 0.0);       // every line excluded (5 and 9)
  EXPECT_EQ(Total(110, kNoGroups), 65000.0);
}

TEST_F(ExportInProcess, ReceiptTotalTakesTheAmountFieldThatBitZeroSelects) {
  ReadAllRegisters();
  EXPECT_EQ(Total(101, kNoGroups), 125000.0);  // bit clear: amount A (B holds 777777)
  EXPECT_EQ(Total(102, kNoGroups), 250125.0);  // bit set: amount B (A holds 999999)
  EXPECT_EQ(Total(119, kNoGroups), 12345.0);   // flags 2: bit 0 clear
  EXPECT_EQ(Total(111, kNoGroups), -10000.0);  // negative lines lower the sum
  EXPECT_EQ(Total(118, kNoGroups), 0.0);
  EXPECT_EQ(Total(114, kNoGroups), 10000.0);   // lines with itemRef 0 or lineState 0 are out
  std::vector<unsigned char> noLines = Receipt(101);
  std::int32_t unknown = 999999;
  std::memcpy(noLines.data() + tspr::kReceiptId, &unknown, sizeof unknown);
  double amount = -1.0;
  EXPECT_EQ(ZliczKwoteParagonuBezGrupy(noLines.data(), kNoGroups.data(), &amount), 1);
  EXPECT_EQ(amount, 0.0);
  EXPECT_TRUE(MessageTitles().empty());
}

// A host that cannot give the lines is not a receipt without lines: the total says so, and
// the report file writer stops with one box for the whole run, mails nothing and leaves a file
// that no XML reader takes for a complete report.
TEST_F(ExportInProcess, LinesTheHostCannotGiveMakeTheReportIncompleteWithOneBox) {
  for (auto [number, size] : {std::pair{45, 0}, std::pair{45, 400}}) {
    SCOPED_TRACE(size);
    options.noTables.clear();
    options.tableSizes.clear();
    if (size == 0) options.noTables.insert(number);
    else options.tableSizes[number] = size;
    StartSession();
    fs::remove_all("RAP_KART");
    std::vector<unsigned char> record(tspr::kRecordSize);
    double amount = -1.0;
    EXPECT_EQ(ZliczKwoteParagonuBezGrupy(record.data(), kNoGroups.data(), &amount), 0);
    EXPECT_EQ(amount, 0.0);
    EXPECT_TRUE(Events("message").empty());

    ReadAllRegisters();
    EXPECT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 0);
    EXPECT_EQ(host::OutstandingBlocks(), 0);
    auto messages = Events("message");
    ASSERT_EQ(messages.size(), 2u);  // the progress notice and the one box
    EXPECT_EQ(messages[1]["title"], "B\u0142\u0105d");
    EXPECT_EQ(messages[1]["text"],
              "B\u0142\u0105d operacji dyskowej w ZliczKwoteParagonuBezGrupy!\nOperacja niekompletna!\n"
              "Raport H0001_20260315102030.xml jest niepe\u0142ny i nie zosta\u0142 wys\u0142any.");
    EXPECT_EQ(messages[1]["style"], 1);
    EXPECT_TRUE(Events("mail").empty());
    auto files = ReportFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadBytes(files[0]).find("</Kronilog>"), std::string::npos);
    EXPECT_NE(SchemaErrors(files[0]), "");
  }
}

// The host failing the scan of the sales records itself, at its start or in the middle of the
// records: the report is incomplete as when a receipt's lines fail, and its box names the
// sales table's scan, not the receipt total.
int salesStepsLeft;  // the sales scan's steps before it fails; -1: it fails to begin
void* salesScan;
int HOSTAPI FailingScanBegin(void* state, void* descriptor, int index, const void* key, int first, int second) {
  if (index != tspr::kIndexByDate) return host::HostScanBegin(state, descriptor, index, key, first, second);
  if (salesStepsLeft < 0) return -1;
  salesScan = state;
  return host::HostScanBegin(state, descriptor, index, key, first, second);
}
int HOSTAPI FailingScanNext(void* state) {
  if (state == salesScan && salesStepsLeft-- == 0) return -1;
  return host::HostScanNext(state);
}

TEST_F(ExportInProcess, ASalesScanTheHostCannotCarryOnMakesTheReportIncompleteNamingIt) {
  for (int steps : {-1, 0, 5}) {
    SCOPED_TRACE(steps);
    StartSession();
    ReadAllRegisters();
    salesStepsLeft = steps;
    salesScan = nullptr;
    hostSlots.HostScanBegin = &FailingScanBegin;
    hostSlots.HostScanNext = &FailingScanNext;
    const int result = BuildReportFile(ExportTrigger::kMenu, "", "");
    hostSlots.HostScanBegin = &host::HostScanBegin;
    hostSlots.HostScanNext = &host::HostScanNext;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(host::OutstandingBlocks(), 0);
    auto messages = Events("message");
    ASSERT_EQ(messages.size(), 2u);  // the progress notice and the one box
    EXPECT_EQ(messages[1]["text"],
              "B\u0142\u0105d operacji dyskowej przy odczycie tabeli sprzeda\u017cy Tspr!\nOperacja niekompletna!\n"
              "Raport H0001_20260315102030.xml jest niepe\u0142ny i nie zosta\u0142 wys\u0142any.");
    EXPECT_TRUE(Events("mail").empty());
    auto files = ReportFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadBytes(files[0]).find("</Kronilog>"), std::string::npos);
    EXPECT_NE(ReadBytes("Kronilog.log").find(" wynik=niepelny "), std::string::npos);
    fs::remove_all("RAP_KART");
    fs::remove("Kronilog.log");
  }
}

TEST_F(ExportInProcess, ReportWithoutTheSalesTableStopsBeforeWritingAnything) {
  for (auto [number, size] : {std::pair{44, 0}, std::pair{44, 1264}}) {
    SCOPED_TRACE(size);
    options.noTables.clear();
    options.tableSizes.clear();
    if (size == 0) options.noTables.insert(number);
    else options.tableSizes[number] = size;  // shorter than the fields read
    StartSession();
    EXPECT_EQ(BuildReportFile(ExportTrigger::kMenu, "10.03.26", "12.03.26"), 0);
    auto messages = Events("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]["title"], "B\u0142\u0105d");
    EXPECT_EQ(messages[0]["style"], 1);
    EXPECT_FALSE(fs::exists("RAP_KART"));
    EXPECT_TRUE(Events("settings-write").empty());
    EXPECT_TRUE(Events("mail").empty());
  }
}

TEST_F(ExportInProcess, ReportThatCannotBeOpenedIsNamedInABoxAndNothingElseHappens) {
  WriteBytes("RAP_KART", "a plain file where the folder should be");
  ReadAllRegisters();
  EXPECT_EQ(BuildReportFile(ExportTrigger::kMenu, "10.03.26", "12.03.26"), 0);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  auto messages = Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["title"], "uwaga");
  EXPECT_EQ(messages[0]["text"], "B\u0142\u0105d otwarcia pliku:H0001_20260315102030.xml");
  EXPECT_EQ(messages[0]["style"], 1);
  EXPECT_TRUE(Events("mail").empty());
  EXPECT_TRUE(Events("sleep").empty());
  // The settings defaults were written back before the open.
  EXPECT_FALSE(Events("settings-write").empty());
}

TEST_F(ExportInProcess, EmptyBoundsLeaveThePeriodOpenOnThatSide) {
  ReadAllRegisters();
  ASSERT_EQ(BuildReportFile(ExportTrigger::kMenu, "", ""), 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  std::string report = ReadBytes(files[0]);
  EXPECT_EQ(SchemaErrors(files[0]), "");
  EXPECT_EQ(ElementValues(report, "PeriodBegin"), std::vector<std::string>{""});
  EXPECT_EQ(ElementValues(report, "PeriodEnd"), std::vector<std::string>{""});
  auto cards = ElementValues(report, "CardNumber");
  auto has = [&](const char* card) { return std::find(cards.begin(), cards.end(), card) != cards.end(); };
  EXPECT_TRUE(has("7713131"));   // 09.03.26
  EXPECT_TRUE(has("7714141"));   // 13.03.26
  EXPECT_TRUE(has("7755555"));   // register 3, read this time
  EXPECT_FALSE(has("7711111"));  // no sale date
  EXPECT_FALSE(has("7715151"));  // receiptId 0
  EXPECT_FALSE(has("7712121"));  // state marker 1
}

TEST_F(ExportInProcess, PeriodWithoutCardSalesGivesAnEmptyReportThatIsStillMailed) {
  WriteBytes("Kronilog.ini", "[ustawieniaRaportu]\nidPartnera=12345\n");
  StartSession();
  ReadAllRegisters();
  ASSERT_EQ(BuildReportFile(ExportTrigger::kAutomatic, "01.01.26", "02.01.26"), 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename(), "H12345_20260315102030.xml");
  std::string report = ReadBytes(files[0]);
  EXPECT_EQ(SchemaErrors(files[0]), "");
  EXPECT_NE(report.find("<Dealer ID=\"12345\">\n"), std::string::npos);
  EXPECT_EQ(report.find("<Transaction>"), std::string::npos);
  EXPECT_EQ(ElementValues(report, "Checksum"), std::vector<std::string>{"0.00"});
  EXPECT_EQ(Events("mail").size(), 1u);
}

TEST_F(ExportInProcess, AutomaticExportLeavesAStateBitItFindsSet) {
  for (bool preset : {false, true}) {
    SCOPED_TRACE(preset);
    options.stateBit = preset;
    StartSession();
    fs::remove("Kronilog.ini");
    EXPECT_EQ(RunAutomaticExport(), 1);
    EXPECT_EQ(host::OutstandingBlocks(), 0);
    auto changes = Events("state-flags");
    if (preset) {
      EXPECT_TRUE(changes.empty());
      EXPECT_EQ(host::StateWordValue() & 0x8000, 0x8000);
    } else {
      ASSERT_EQ(changes.size(), 2u);
      EXPECT_EQ(changes[0]["on"], 1);
      EXPECT_EQ(changes[1]["on"], 0);
      EXPECT_EQ(host::StateWordValue() & 0x8000, 0);
    }
    EXPECT_EQ(host::QuietFlagValue(), 0);
  }
}

TEST_F(ExportInProcess, QuietHostGetsNoAutomaticExportAndTheMenuClearsTheFlag) {
  *HostQuietFlag() = 1;
  EXPECT_EQ(RunAutomaticExport(), 0);
  EXPECT_TRUE(Events("callback-start").empty());
  EXPECT_TRUE(Events("cash-registers").empty());
  EXPECT_FALSE(fs::exists("Kronilog.ini"));

  options.formDates = {{"11.03.26", "11.03.26"}};
  StartSession();
  *HostQuietFlag() = 1;
  EXPECT_EQ(RunExportFromMenu(), 1);
  EXPECT_EQ(host::QuietFlagValue(), 0);
  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  std::string report = ReadBytes(files[0]);
  EXPECT_EQ(ElementValues(report, "PeriodBegin"), std::vector<std::string>{"2026-03-11T00:01:00.000"});
  EXPECT_EQ(ElementValues(report, "PeriodEnd"), std::vector<std::string>{"2026-03-11T23:59:00.000"});
}

TEST_F(ExportInProcess, MenuRefusesDatesInTheWrongOrderOrNotDatesWithoutReadingRegisters) {
  struct Case { const char* from; const char* to; const char* alert; };
  for (Case c : {Case{"12.03.26", "10.03.26",
                      "Data pocz\u0105tkowa nie mo\u017ce by\u0107 p\u00f3\u017aniejsza, ni\u017c data ko\u0144cowa!"},
                 Case{"32.13.26", "12.03.26", "Niepoprawna data: \"32.13.26\"!"},
                 Case{"10.03.26", "xx.yy.zz", "Niepoprawna data: \"xx.yy.zz\"!"}}) {
    SCOPED_TRACE(c.from);
    options.formDates = {{c.from, c.to}};
    StartSession();
    EXPECT_EQ(RunExportFromMenu(), 0);
    auto alerts = Events("alert");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0]["text"], c.alert);
    EXPECT_TRUE(Events("cash-registers").empty());
    EXPECT_TRUE(Events("settings-write").empty());
    EXPECT_FALSE(fs::exists("RAP_KART"));
  }
}

TEST_F(ExportInProcess, MenuFormOffersYesterdayAndCancelDoesNothing) {
  options.cancelForm = true;
  StartSession();
  EXPECT_EQ(RunExportFromMenu(), 0);
  auto forms = Events("form");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0]["number"], 1001);
  EXPECT_EQ(forms[0]["fields"], nlohmann::json::array({"14.03.26", "14.03.26"}));
  EXPECT_TRUE(Events("cash-registers").empty());
  EXPECT_TRUE(Events("alert").empty());
}

TEST_F(ExportInProcess, CashRegisterFlagsComeFromTheSettingsWithDefaultOne) {
  WriteBytes("Kronilog.ini", "[odczytParagonowZKas]\nKasa03=0\nKasa10=0\n");
  options.formDates = {{"10.03.26", "12.03.26"}};
  StartSession();
  EXPECT_EQ(RunExportFromMenu(), 1);
  const std::array<short, 10> expected = {1, 1, 0, 1, 1, 1, 1, 1, 1, 0};
  EXPECT_EQ(host::SelectedCashRegisters(), expected);
  std::vector<std::string> written;
  for (const auto& event : Events("settings-write")) {
    if (event["section"] == "odczytParagonowZKas") written.push_back(event["key"]);
  }
  EXPECT_EQ(written, (std::vector<std::string>{"Kasa01", "Kasa02", "Kasa04", "Kasa05", "Kasa06",
                                               "Kasa07", "Kasa08", "Kasa09"}));
}

}  // namespace
