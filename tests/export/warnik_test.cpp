// Whole sessions through warnik: the golden report of a menu export, and the automatic
// export across days with the settings file checked after every call.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/export/support.h"

namespace {

namespace fs = std::filesystem;
using namespace export_test;

const std::string kShop = (DataDir() / "golden_shop").string();

TEST(ExportWarnik, MenuExportOfTheGoldenShopGivesTheGoldenReport) {
  WorkFolder folder;
  fs::copy_file(DataDir() / "golden_Kronilog.ini", "Kronilog.ini");
  RunResult run = RunWarnik({"--shop", kShop, "--today", "15.03.26", "--now", "10:20:30", "--seed", "7",
                             "--no-wait", "--journal", "journal.jsonl", "menu-export", "10.03.26", "12.03.26"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("(menu entry 0x7F10 returned 1)"), std::string::npos) << run.output;

  auto files = ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename(), "H0007_20260315102030.xml");
  std::string report = ReadText(files[0]);
  std::string golden = ReadText(DataDir() / "golden_report.xml");
  EXPECT_EQ(report, golden);
  EXPECT_EQ(SchemaErrors(files[0]), "");

  // The checksum is the sum of the written amounts, in whole hundredths.
  long hundredths = 0;
  for (const auto& amount : ElementValues(report, "InvoiceAmount")) {
    hundredths += std::lround(std::stod(amount) * 100);
  }
  auto checksum = ElementValues(report, "Checksum");
  ASSERT_EQ(checksum.size(), 1u);
  EXPECT_EQ(std::lround(std::stod(checksum[0]) * 100), hundredths);

  // The notices around the writing, and the final one held for 3000 ms.
  auto messages = JournalEvents("journal.jsonl", "message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0]["title"], "Uwaga");
  EXPECT_EQ(messages[0]["text"], "Eksport Kronilog od 10.03.26 do 12.03.26");
  EXPECT_EQ(messages[0]["style"], 512);
  EXPECT_EQ(messages[1]["text"], "Wyeksportowano raport na serwer do pliku H0007_20260315102030.xml");
  // The export log's line for the export that went out.
  EXPECT_EQ(ReadText("Kronilog.log"),
            "2026-03-15 10:20:30 menu okres=10.03.26-12.03.26 transakcje=9 pominiete=0 suma=45.71 "
            "plik=H0007_20260315102030.xml wynik=wyslany poczta=1\r\n");
  auto sleeps = JournalEvents("journal.jsonl", "sleep");
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0]["ms"], 3000);
  EXPECT_EQ(JournalEvents("journal.jsonl", "close-message").size(), 2u);
  EXPECT_EQ(JournalEvents("journal.jsonl", "mail").size(), 1u);
  // The menu path keeps out of the automatic export's bookkeeping.
  EXPECT_FALSE(IniValue("Kronilog.ini", "danePomocnicze", "DataOstatniegoEksportu"));
  EXPECT_EQ(IniValue("Kronilog.ini", "ustawieniaRaportu", "wykluczonaGrupa2"), "65537");
}

// One automatic export on a day, in the folder of the sequence.
struct AutoExport {
  int entryResult = -1;
  std::vector<std::string> newReports;  // "PeriodBegin..PeriodEnd" of each report made
};

AutoExport RunAutoExport(const std::string& today, std::vector<std::string> extra = {},
                         int status = 0) {
  auto before = ReportFiles();
  std::vector<std::string> arguments = {"--shop", kShop, "--today", today, "--now", "08:00:00",
                                        "--seed", "1", "--no-wait"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("auto-export");
  RunResult run = RunWarnik(arguments);
  EXPECT_EQ(run.status, status) << run.output;
  AutoExport result;
  std::smatch match;
  if (std::regex_search(run.output, match, std::regex(R"(\(entry 30009 returned (-?\d+)\))"))) {
    result.entryResult = std::stoi(match[1]);
  }
  for (const auto& file : ReportFiles()) {
    if (std::find(before.begin(), before.end(), file) != before.end()) continue;
    std::string report = ReadText(file);
    if (report.find("</Kronilog>") == std::string::npos) {
      result.newReports.push_back("incomplete");
      continue;
    }
    EXPECT_EQ(SchemaErrors(file), "") << file;
    auto begin = ElementValues(report, "PeriodBegin");
    auto end = ElementValues(report, "PeriodEnd");
    if (begin.size() == 1 && end.size() == 1) {
      result.newReports.push_back(begin[0].substr(0, 10) + ".." + end[0].substr(0, 10));
    }
  }
  return result;
}

std::optional<std::string> Stored() { return IniValue("Kronilog.ini", "danePomocnicze", "DataOstatniegoEksportu"); }
std::optional<std::string> LastRange() { return IniValue("Kronilog.ini", "danePomocnicze", "OstatniOdczyt"); }
using Reports = std::vector<std::string>;

TEST(ExportWarnik, AutomaticExportCoversTheDaysSinceTheLastOneUpToYesterday) {
  WorkFolder folder;
  // First use: the day before yesterday and yesterday.
  AutoExport run = RunAutoExport("15.03.26");
  EXPECT_EQ(run.entryResult, 1);
  EXPECT_EQ(run.newReports, (Reports{"2026-03-13..2026-03-14"}));
  EXPECT_EQ(Stored(), "15.03.26");
  EXPECT_EQ(LastRange(), "Eksport danych od 13.03.26 do 14.03.26");
  std::string settingsAfterFirst = ReadText("Kronilog.ini");

  // The same day again: nothing at all.
  run = RunAutoExport("15.03.26");
  EXPECT_EQ(run.entryResult, 0);
  EXPECT_TRUE(run.newReports.empty());
  EXPECT_EQ(ReadText("Kronilog.ini"), settingsAfterFirst);

  // After D-1: D-2..D-1, overlapping the last range by a day.
  run = RunAutoExport("16.03.26");
  EXPECT_EQ(run.newReports, (Reports{"2026-03-14..2026-03-15"}));
  EXPECT_EQ(Stored(), "16.03.26");

  // After D-2: also D-2..D-1.
  run = RunAutoExport("18.03.26");
  EXPECT_EQ(run.newReports, (Reports{"2026-03-16..2026-03-17"}));
  EXPECT_EQ(Stored(), "18.03.26");

  // After D-5: from the day of the last export.
  run = RunAutoExport("23.03.26");
  EXPECT_EQ(run.newReports, (Reports{"2026-03-18..2026-03-22"}));
  EXPECT_EQ(Stored(), "23.03.26");
  EXPECT_EQ(LastRange(), "Eksport danych od 18.03.26 do 22.03.26");

  // Across the end of the month and the year.
  run = RunAutoExport("02.01.27");
  EXPECT_EQ(run.newReports, (Reports{"2026-03-23..2027-01-01"}));
  EXPECT_EQ(Stored(), "02.01.27");
}

TEST(ExportWarnik, AutomaticExportWithAStoredDateAfterTodayOrNotADate) {
  WorkFolder folder;
  for (const char* stored : {"30.03.26", "garbage", ""}) {
    SCOPED_TRACE(stored);
    fs::remove_all("RAP_KART");  // the same day and time make the same file name
    WriteText("Kronilog.ini", std::string("[danePomocnicze]\nDataOstatniegoEksportu=") + stored + "\n");
    AutoExport run = RunAutoExport("24.03.26");
    EXPECT_EQ(run.entryResult, 1);
    EXPECT_EQ(run.newReports, (Reports{"2026-03-22..2026-03-23"}));
    EXPECT_EQ(Stored(), "24.03.26");
  }
}

TEST(ExportWarnik, AutomaticExportWaitsForAReadyHostAndKeepsAPresetStateBit) {
  WorkFolder folder;
  WriteText("Kronilog.ini", "[danePomocnicze]\nDataOstatniegoEksportu=20.03.26\n");
  std::string settings = ReadText("Kronilog.ini");
  AutoExport run = RunAutoExport("25.03.26", {"--not-ready", "--journal", "not-ready.jsonl"});
  EXPECT_EQ(run.entryResult, 1);
  EXPECT_TRUE(run.newReports.empty());
  EXPECT_EQ(ReadText("Kronilog.ini"), settings);
  EXPECT_TRUE(JournalEvents("not-ready.jsonl", "state-flags").empty());
  EXPECT_TRUE(JournalEvents("not-ready.jsonl", "cash-registers").empty());

  // The next call with a ready host exports the full range.
  run = RunAutoExport("25.03.26", {"--state-bit", "--journal", "state-bit.jsonl"});
  EXPECT_EQ(run.entryResult, 1);
  EXPECT_EQ(run.newReports, (Reports{"2026-03-20..2026-03-24"}));
  EXPECT_EQ(Stored(), "25.03.26");
  EXPECT_TRUE(JournalEvents("state-bit.jsonl", "state-flags").empty());
  EXPECT_EQ(JournalEvents("state-bit.jsonl", "callback-start").size(), 1u);
}

// Whatever keeps a report from going out (its folder, the host's lines table, the message
// file), the automatic export says so in one box, mails nothing and keeps its date; later
// calls that day neither read the registers nor show anything; the next day's export covers
// every day since the last one that went out.
TEST(ExportWarnik, AFailedAutomaticExportIsToldOnceKeptDueAndTriedAgainTheNextDay) {
  struct Case {
    std::string name;
    std::vector<std::string> hostOptions;
    std::string box;  // the start of the one box's text
    Reports reports;  // what the failed run leaves in RAP_KART
  };
  const std::vector<Case> cases = {
      {"RAP_KART a plain file", {}, "B\u0142\u0105d otwarcia pliku:H0001_20260315080000.xml", {}},
      {"no table 45", {"--no-table", "45"},
       "B\u0142\u0105d operacji dyskowej w ZliczKwoteParagonuBezGrupy!\nOperacja niekompletna!\n"
       "Raport H0001_20260315080000.xml jest niepe\u0142ny i nie zosta\u0142 wys\u0142any.",
       {"incomplete"}},
      {"message.eml a folder", {},
       "Raport zapisano w pliku RAP_KART\\H0001_20260315080000.xml,\nale NIE zosta\u0142 wys\u0142any "
       "na serwer: nie uda\u0142o si\u0119 utworzy\u0107 wiadomo\u015bci message.eml.\n"
       "Te dni zostan\u0105 wys\u0142ane z nast\u0119pnym eksportem automatycznym.",
       {"2026-03-09..2026-03-14"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkFolder folder;
    WriteText("Kronilog.ini", "[danePomocnicze]\nDataOstatniegoEksportu=09.03.26\n");
    if (c.name == "RAP_KART a plain file") WriteText("RAP_KART", "a plain file where the folder should be");
    if (c.name == "message.eml a folder") fs::create_directory("message.eml");

    std::vector<std::string> failing = c.hostOptions;
    failing.insert(failing.end(), {"--journal", "failed.jsonl"});
    AutoExport run = RunAutoExport("15.03.26", failing, 3);  // written or not, not sent
    EXPECT_EQ(run.entryResult, 1);
    EXPECT_EQ(run.newReports, c.reports);
    std::vector<nlohmann::json> boxes;
    for (const auto& message : JournalEvents("failed.jsonl", "message")) {
      if (message["style"] == 1) boxes.push_back(message);
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"].get<std::string>().substr(0, c.box.size()), c.box);
    EXPECT_TRUE(JournalEvents("failed.jsonl", "alert").empty());
    EXPECT_TRUE(JournalEvents("failed.jsonl", "mail").empty());
    EXPECT_FALSE(fs::exists("outbox"));
    EXPECT_EQ(Stored(), "09.03.26");
    EXPECT_FALSE(LastRange());
    auto changes = JournalEvents("failed.jsonl", "state-flags");
    ASSERT_EQ(changes.size(), 2u);  // set, and cleared again
    EXPECT_EQ(changes[1]["on"], 0);

    // The same day again: silent, and the registers are not read.
    std::vector<std::string> again = c.hostOptions;
    again.insert(again.end(), {"--journal", "again.jsonl"});
    run = RunAutoExport("15.03.26", again);
    EXPECT_EQ(run.entryResult, 0);
    EXPECT_TRUE(run.newReports.empty());
    EXPECT_TRUE(JournalEvents("again.jsonl", "cash-registers").empty());
    EXPECT_TRUE(JournalEvents("again.jsonl", "message").empty());

    // The next day, mended: every day since the last export that went out.
    fs::remove_all("message.eml");
    if (c.name == "RAP_KART a plain file") fs::remove("RAP_KART");
    run = RunAutoExport("16.03.26");
    EXPECT_EQ(run.newReports, (Reports{"2026-03-09..2026-03-15"}));
    EXPECT_EQ(Stored(), "16.03.26");
  }
}

// Not run by default: the cost of a day's export as the shop grows. Run with
// --gtest_also_run_disabled_tests --gtest_filter='*Performance*'.
TEST(ExportWarnik, DISABLED_PerformanceOfADaysExport) {
  WorkFolder folder;
  for (long receipts : {10000L, 100000L}) {
    std::string shop = "shop" + std::to_string(receipts);
    RunResult made = RunWarnik({"gen-shop", shop, "--receipts", std::to_string(receipts), "--seed", "3"});
    ASSERT_EQ(made.status, 0) << made.output;
    auto begin = std::chrono::steady_clock::now();
    RunResult run = RunWarnik({"--shop", shop, "--today", "01.04.26", "--now", "08:00:00", "--no-wait",
                               "--quiet", "menu-export", "01.03.26", "31.03.26"});
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_EQ(run.status, 0) << run.output;
    auto files = ReportFiles();
    ASSERT_FALSE(files.empty());
    std::string report = ReadText(files.back());
    std::printf("%ld receipts: %zu transactions, %.2f s\n", receipts,
                ElementValues(report, "CardNumber").size(), seconds);
    fs::remove_all("RAP_KART");
  }
}

}  // namespace
