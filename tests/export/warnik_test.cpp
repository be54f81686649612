// Whole sessions through warnik: the golden report of a menu export, and the automatic
// export across days with the settings file checked after every call. Sessions that read
// better as data (a folder, a command, what it leaves) are case files: cases/*.case.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/export/log_lines.h"
#include "tests/support/files.h"
#include "tests/support/warnik_program.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

fs::path DataDir() { return GoldenShop().parent_path(); }  // tests/export/data
const std::string kShop = GoldenShop().string();

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
  std::string report = ReadBytes(files[0]);
  std::string golden = ReadBytes(DataDir() / "golden_report.xml");
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
  EXPECT_EQ(ReadBytes("Kronilog.log"),
            "2026-03-15 10:20:30 menu okres=10.03.26-12.03.26 transakcje=9 pominiete=0 suma=45.71 "
            "plik=H0007_20260315102030.xml wynik=przekazany poczta=1 wersja=" KRONILOG_VERSION
            " stanowisko=1 sprawdz=0\r\n");
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
    std::string report = ReadBytes(file);
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
  std::string settingsAfterFirst = ReadBytes("Kronilog.ini");

  // The same day again: nothing at all.
  run = RunAutoExport("15.03.26");
  EXPECT_EQ(run.entryResult, 0);
  EXPECT_TRUE(run.newReports.empty());
  EXPECT_EQ(ReadBytes("Kronilog.ini"), settingsAfterFirst);

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
    WriteBytes("Kronilog.ini", std::string("[danePomocnicze]\nDataOstatniegoEksportu=") + stored + "\n");
    AutoExport run = RunAutoExport("24.03.26");
    EXPECT_EQ(run.entryResult, 1);
    EXPECT_EQ(run.newReports, (Reports{"2026-03-22..2026-03-23"}));
    EXPECT_EQ(Stored(), "24.03.26");
  }
}

TEST(ExportWarnik, AutomaticExportWaitsForAReadyHostAndKeepsAPresetStateBit) {
  WorkFolder folder;
  WriteBytes("Kronilog.ini", "[danePomocnicze]\nDataOstatniegoEksportu=20.03.26\n");
  std::string settings = ReadBytes("Kronilog.ini");
  AutoExport run = RunAutoExport("25.03.26", {"--not-ready", "--journal", "not-ready.jsonl"});
  EXPECT_EQ(run.entryResult, 1);
  EXPECT_TRUE(run.newReports.empty());
  EXPECT_EQ(ReadBytes("Kronilog.ini"), settings);
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
       "Raport zosta\u0142 zapisany w pliku RAP_KART\\H0001_20260315080000.xml,\nale NIE zosta\u0142 "
       "wys\u0142any: nie uda\u0142o si\u0119 utworzy\u0107 wiadomo\u015bci message.eml.\n"
       "Te dni zostan\u0105 wys\u0142ane z nast\u0119pnym eksportem automatycznym.",
       {"2026-03-09..2026-03-14"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkFolder folder;
    WriteBytes("Kronilog.ini", "[danePomocnicze]\nDataOstatniegoEksportu=09.03.26\n");
    if (c.name == "RAP_KART a plain file") WriteBytes("RAP_KART", "a plain file where the folder should be");
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

std::optional<std::string> UnsentSince() { return IniValue("Kronilog.ini", "danePomocnicze", "NiewyslaneOd"); }

using exporttest::LogLines;

std::size_t OutboxMails() {
  if (!fs::is_directory("outbox")) return 0;
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("outbox"), fs::directory_iterator()));
}

// However many automatic exports fail first, the very first one included, the next one that
// goes out covers every day from the first day the first failed one was to cover.
// What a log line says of a report: its transactions and its checksum as the file holds them.
std::string Holds(const std::string& file) {
  const std::string report = ReadBytes(fs::path("RAP_KART") / file);
  const auto checksum = ElementValues(report, "Checksum");
  return "transakcje=" + std::to_string(ElementValues(report, "Transaction").size()) +
         " pominiete=0 suma=" + (checksum.empty() ? "-" : checksum[0]) + " plik=" + file;
}

TEST(ExportWarnik, FailedAutomaticExportsKeepTheirDaysWhetherOrNotADateWasStored) {
  struct Failure {
    std::string today;
    std::vector<std::string> hostOptions;
    bool messageFolder;  // message.eml a folder: the report is written, its message is not
    std::string logged;  // the line's period, then its outcome and what follows
  };
  const Failure notSent = {"11.03.26", {}, true, "okres=09.03.26-10.03.26 wynik=niewyslany poczta=- sprawdz=0"};
  const struct {
    std::string name;
    std::vector<Failure> failures;
  } cases[] = {
      {"message.eml a folder", {notSent}},
      {"no table 45",
       {{"11.03.26", {"--no-table", "45"}, false, "okres=09.03.26-10.03.26 wynik=niepelny poczta=- sprawdz=-"}}},
      {"the first two fail",
       {notSent, {"12.03.26", {"--no-table", "45"}, false, "okres=09.03.26-11.03.26 wynik=niepelny poczta=- sprawdz=-"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WorkFolder folder;
    std::vector<std::string> expected;
    for (const Failure& failure : c.failures) {
      if (failure.messageFolder) fs::create_directory("message.eml");
      AutoExport run = RunAutoExport(failure.today, failure.hostOptions, 3);
      EXPECT_EQ(run.entryResult, 1);
      fs::remove_all("message.eml");
      EXPECT_FALSE(Stored());
      EXPECT_EQ(UnsentSince(), "09.03.26");
      const std::string file = "H0001_20" + failure.today.substr(6, 2) + failure.today.substr(3, 2) +
                               failure.today.substr(0, 2) + "080000.xml";
      const std::string period = failure.logged.substr(0, failure.logged.find(' '));
      const std::string outcome = failure.logged.substr(failure.logged.find(' ') + 1);
      expected.push_back("auto " + period + " " + Holds(file) + " " + outcome);
    }
    EXPECT_EQ(OutboxMails(), 0u);

    AutoExport run = RunAutoExport("13.03.26");
    EXPECT_EQ(run.newReports, (Reports{"2026-03-09..2026-03-12"}));
    EXPECT_EQ(OutboxMails(), 1u);
    EXPECT_EQ(Stored(), "13.03.26");
    EXPECT_EQ(UnsentSince(), "");
    EXPECT_EQ(LastRange(), "Eksport danych od 09.03.26 do 12.03.26");
    expected.push_back("auto okres=09.03.26-12.03.26 " + Holds("H0001_20260313080000.xml") +
                       " wynik=przekazany poczta=1 sprawdz=0");
    EXPECT_EQ(LogLines(), expected);

    // The next day is an ordinary one again.
    run = RunAutoExport("14.03.26");
    EXPECT_EQ(run.newReports, (Reports{"2026-03-12..2026-03-13"}));
  }
}

// Tills started together in one folder make the day's automatic export once: the others find
// the turn taken, or the day done, and return without a word.
TEST(ExportWarnik, FourAutomaticExportsStartedTogetherInOneFolderMailOnce) {
  WorkFolder folder;
  ASSERT_EQ(RunWarnik({"gen-shop", "shop", "--receipts", "20000", "--seed", "3"}).status, 0);
  const std::string session = "'" WARNIK_PATH "' --shop shop --today 01.04.26 --now 09:00:00 "
                              "--no-wait --quiet auto-export </dev/null >/dev/null 2>&1";
  std::string all = "(";
  for (int i = 1; i <= 4; ++i) all += "(" + session + "; echo $? > status" + std::to_string(i) + ") & ";
  all += "wait)";
  ASSERT_EQ(std::system(all.c_str()), 0);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(ReadBytes("status" + std::to_string(i)), "0\n") << i;
  EXPECT_EQ(ReportFiles().size(), 1u);
  EXPECT_EQ(OutboxMails(), 1u);
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(Stored(), "01.04.26");
}

// The mail service's answer: recorded always, and trusted when the shop says so. With the
// outbox a plain file the emulator's mail service cannot deliver and answers 0.
TEST(ExportWarnik, AnUndeliveredMessageKeepsItsDaysOnlyWhereTheShopTrustsTheAnswer) {
  const struct {
    std::string check;
    int status;
    bool notice;              // "Wyeksportowano ..." shown
    std::string stored;       // DataOstatniegoEksportu afterwards
    std::string outcome;
  } cases[] = {
      {"0", 3, true, "15.03.26", "wynik=przekazany poczta=0 sprawdz=0"},
      {"1", 3, false, "09.03.26", "wynik=niedostarczony poczta=0 sprawdz=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.check);
    WorkFolder folder;
    WriteBytes("Kronilog.ini", "[ustawieniaEmail]\nsprawdzWynikWysylki=" + c.check +
                                   "\n[danePomocnicze]\nDataOstatniegoEksportu=09.03.26\n");
    WriteBytes("outbox", "a plain file where the outbox should be");
    AutoExport run = RunAutoExport("15.03.26", {"--journal", "journal.jsonl"}, c.status);
    EXPECT_EQ(run.newReports, (Reports{"2026-03-09..2026-03-14"}));
    const auto messages = JournalEvents("journal.jsonl", "message");
    ASSERT_FALSE(messages.empty());
    const std::string last = messages.back()["text"];
    EXPECT_EQ(last.rfind("Wyeksportowano raport", 0) == 0, c.notice) << last;
    if (!c.notice) {
      EXPECT_NE(last.find("ale NIE zosta\u0142 wys\u0142any: program Targomir zg\u0142osi\u0142, "
                          "\u017ce nie dostarczy\u0142 wiadomo\u015bci.\nTe dni zostan\u0105"),
                std::string::npos) << last;
    }
    EXPECT_EQ(Stored(), c.stored);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0], "auto okres=09.03.26-14.03.26 " + Holds("H0001_20260315080000.xml") + " " +
                                 c.outcome);

    // The next day, delivered: the days since the last export that went out.
    fs::remove("outbox");
    run = RunAutoExport("16.03.26");
    EXPECT_EQ(run.newReports, (Reports{c.check == "1" ? "2026-03-09..2026-03-15" : "2026-03-14..2026-03-15"}));
    EXPECT_EQ(OutboxMails(), 1u);
  }
}

// The log keeps at most about 1 MiB: the line that would take it past starts a new file and
// the old one becomes Kronilog.log.1. A log that cannot be written changes nothing.
TEST(ExportWarnik, TheExportLogTurnsOverPastOneMebibyteAndNeverStopsAnExport) {
  const std::string old(1024 * 1024 - 40, 'x');
  const struct {
    std::string name;
    std::string logBefore;  // empty: Kronilog.log is a folder
    std::size_t linesAfter;
    bool turnedOver;
  } cases[] = {
      {"room left", "x\r\n", 2, false},
      {"full", old, 1, true},
      {"a folder", "", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WorkFolder folder;
    if (c.logBefore.empty()) {
      fs::create_directory("Kronilog.log");
    } else {
      WriteBytes("Kronilog.log", c.logBefore);
    }
    RunResult run = RunWarnik({"--shop", kShop, "--today", "15.03.26", "--now", "08:00:00", "--no-wait",
                               "menu-export", "10.03.26", "12.03.26"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(OutboxMails(), 1u);
    if (c.logBefore.empty()) continue;
    EXPECT_EQ(LogLines().size(), c.linesAfter);
    EXPECT_EQ(fs::exists("Kronilog.log.1"), c.turnedOver);
    if (c.turnedOver) {
      EXPECT_EQ(ReadBytes("Kronilog.log.1"), old);
    }
    EXPECT_LE(fs::file_size("Kronilog.log"), 1024u * 1024u);
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
    std::string report = ReadBytes(files.back());
    std::printf("%ld receipts: %zu transactions, %.2f s\n", receipts,
                ElementValues(report, "CardNumber").size(), seconds);
    fs::remove_all("RAP_KART");
  }
}

}  // namespace
