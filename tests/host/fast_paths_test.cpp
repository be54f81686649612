// The host's fast paths against the general behaviour they replace: the table conversion to
// UTF-8, the unformatted "%s" writes, the reading of "dd.mm.yy" dates, the shop's row
// splitting, and the journal's time and memory marks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/texts/codepages.h"
#include "host/dates/calendar.h"
#include "host/dates/clock.h"
#include "host/files/files.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/all_services.h"
#include "host/shop/shop_loader.h"
#include "host/shop/csv_reader.h"
#include "host/tables/table_store.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::ReadBytes;

class FastPaths : public testsupport::InProcessHost {};

// What the conversion must give: the whole text converted, then cut before the first
// character that does not fit whole.
std::string Expected(const std::string& text, int from, std::size_t room) {
  std::string whole = host::ConvertCodePage(text, from, 6);
  if (whole.size() <= room) return whole;
  std::size_t cut = room;
  while (cut > 0 && (static_cast<unsigned char>(whole[cut]) & 0xC0) == 0x80) --cut;
  return whole.substr(0, cut);
}

TEST_F(FastPaths, SizedConversionToUtf8GivesEveryByteAndCutsOnlyBetweenCharacters) {
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
  for (int from : {1, 3}) {
    const std::size_t full = host::ConvertCodePage(every, from, 6).size();
    ASSERT_GT(full, 127 + 2 * 128u);  // box drawing and symbols take three bytes
    for (std::size_t capacity = 1; capacity <= full + 2; ++capacity) {
      std::vector<char> out(capacity + 8, '#');
      int n = host::HostConvertTextSized(out.data(), static_cast<int>(capacity), every.c_str(), -1,
                                         from, 6);
      std::string want = Expected(every, from, capacity - 1);
      ASSERT_EQ(std::string(out.data(), static_cast<std::size_t>(n)), want)
          << "code page " << from << ", capacity " << capacity;
      ASSERT_EQ(out[static_cast<std::size_t>(n)], '\0');
      ASSERT_EQ(out[capacity], '#') << "wrote past the capacity " << capacity;
    }
  }
  // A length bounds the source; a NUL before it ends it.
  char out[16];
  EXPECT_EQ(host::HostConvertTextSized(out, sizeof out, "\x92\x86xyz", 3, 1, 6), 5);
  EXPECT_STREQ(out, "\xC5\x82\xC4\x85x");
  EXPECT_EQ(host::HostConvertTextSized(out, sizeof out, "ab\0cd", 5, 1, 6), 2);
  EXPECT_STREQ(out, "ab");
}

TEST_F(FastPaths, SizedConversionInPlaceStillReadsTheWholeSourceFirst) {
  char text[32] = "\x92\xA7\x9E d";  // ł ż ś, a blank, d
  EXPECT_EQ(host::HostConvertTextSized(text, sizeof text, text, -1, 1, 6), 8);
  EXPECT_STREQ(text, "\xC5\x82\xC5\xBC\xC5\x9B d");
  char shifted[32] = "xx\x92\x86";
  EXPECT_EQ(host::HostConvertTextSized(shifted, sizeof shifted, shifted + 2, -1, 1, 6), 4);
  EXPECT_STREQ(shifted, "\xC5\x82\xC4\x85");
}

TEST_F(FastPaths, UnformattedWritesMatchTheFormatter) {
  HostFile* file = host::HostOpenFile("out.txt", "wt", 64, 0, -1);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(host::HostFilePrintf(file, "%s", "100% <pewne>"), 12);
  EXPECT_EQ(host::HostFilePrintf(file, "%s\n", "%d%s%n"), 7);
  EXPECT_EQ(host::HostFilePrintf(file, "%s", ""), 0);
  EXPECT_EQ(host::HostFilePrintf(file, "%s\n", ""), 1);
  EXPECT_EQ(host::HostFilePrintf(file, "[%s]\n", "x"), 4);  // still formatted
  EXPECT_EQ(host::HostFilePrintf(file, "%s%s", "a", "b"), 2);
  EXPECT_EQ(host::HostCloseFile(file), 0);
  EXPECT_EQ(ReadBytes("out.txt"), "100% <pewne>%d%s%n\n\n[x]\nab");
  EXPECT_EQ(host::HostFilePrintf(nullptr, "%s", "x"), -1);
}

// The day of a date text by the general reader, or -1 when it reads none.
long DayByGeneralReading(const std::string& text) {
  auto date = host::ParseDateText(text);
  return date ? host::DayNumber(*date) : -1;
}

// Every text of the shape "dd.mm.yy" (either separator, a few wrong ones) and those with a
// byte more or less: the date services read each the way the general reader does.
TEST_F(FastPaths, DateTextsOfTheUsualShapeReadAsTheGeneralReadingDoes) {
  const long firstDay = DayByGeneralReading("01.01.00");
  int compared = 0;
  for (int day = 0; day <= 32; ++day) {
    for (int month = 0; month <= 13; ++month) {
      for (int year : {0, 24, 99}) {
        for (const char* separators : {"..", "--", ".-", "./"}) {
          char text[9];
          std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", day, separators[0], month,
                        separators[1], year);
          for (const std::string& candidate :
               {std::string(text), std::string(text) + " ", " " + std::string(text),
                std::string(text) + "0", std::string(text, 7)}) {
            long expected = DayByGeneralReading(candidate);
            int distance = host::HostCompareDates(candidate.c_str(), "01.01.00");
            if (expected < 0) {
              EXPECT_EQ(distance, 1) << candidate;  // after every date
            } else {
              EXPECT_EQ(distance, expected - firstDay) << candidate;
            }
            short y = -1, m = -1, d = -1;
            EXPECT_EQ(host::HostParseDate(candidate.c_str(), &y, &m, &d, 0), expected < 0 ? 2 : 0)
                << candidate;
            ++compared;
          }
        }
      }
    }
  }
  EXPECT_EQ(compared, 33 * 14 * 3 * 4 * 5);
}

struct ReadRow {
  std::vector<std::string> fields;
  std::vector<long> lines, columns;
  long endLine, endColumn;
  bool operator==(const ReadRow&) const = default;
};

std::vector<ReadRow> Rows(const std::string& text) {
  host::CsvReader csv(std::string_view(text), "t.csv");
  std::vector<ReadRow> rows;
  while (csv.Next()) {
    ReadRow row{{}, {}, {}, csv.EndLine(), csv.EndColumn()};
    for (std::size_t i = 0; i < csv.FieldCount(); ++i) {
      row.fields.emplace_back(csv.Field(i));
      row.lines.push_back(csv.FieldLine(i));
      row.columns.push_back(csv.FieldColumn(i));
    }
    rows.push_back(row);
  }
  EXPECT_FALSE(csv.error()) << csv.error()->Text();
  return rows;
}

// A row ending in a line feed is split in one go; the last row of a file without a final
// line feed, and any row with a quote, take the character-by-character way. Both must see
// the same fields at the same lines and columns (counted in characters).
TEST_F(FastPaths, RowsSplitInOneGoReadAsTheCharacterByCharacterReadingDoes) {
  const std::vector<std::string> rows = {"1,2,Wydanie zewn\xC4\x99trzne,,\xC5\xBC\xC3\xB3\xC5\x82w", ",,",
                                         "x", "Karta: 77 Pawe\xC5\x82,30.03.26,545"};
  std::string fast, slow;
  for (const auto& row : rows) {
    fast += row + "\n";
    slow += row + "\n";
  }
  std::vector<ReadRow> expected;
  for (const auto& row : rows) {
    auto one = Rows(row);  // no line feed: the slow way
    ASSERT_EQ(one.size(), 1u);
    expected.push_back(one[0]);
  }
  auto read = Rows(fast);
  ASSERT_EQ(read.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto want = expected[i];
    for (auto& line : want.lines) line += static_cast<long>(i);
    want.endLine += static_cast<long>(i);
    EXPECT_EQ(read[i], want) << rows[i];
  }
  // The same fields whether a row is quoted or not.
  auto quoted = Rows("\"1\",\"2\"\n1,2\n");
  ASSERT_EQ(quoted.size(), 2u);
  EXPECT_EQ(quoted[0].fields, quoted[1].fields);
  // Faults are still found and placed: too many fields, a stray carriage return.
  const std::string wideText = std::string(300, ',') + "\n";
  host::CsvReader wide{std::string_view(wideText), "w.csv"};
  EXPECT_FALSE(wide.Next());
  ASSERT_TRUE(wide.error());
  EXPECT_NE(wide.error()->reason.find("more than 256 fields"), std::string::npos);
  const std::string crText = "a,b\rc\n";
  host::CsvReader cr{std::string_view(crText), "c.csv"};
  EXPECT_FALSE(cr.Next());
  ASSERT_TRUE(cr.error());
  EXPECT_EQ(cr.error()->column, 4);
}

// warnik's journal, with and without the probe in the environment.
std::vector<nlohmann::json> JournalOfAStartAndStop(bool probe) {
  std::string command = std::string(probe ? "WARNIK_JOURNAL_PROBE=1 " : "") + "'" WARNIK_PATH "'" +
                        " --quiet --journal journal.jsonl start-stop";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in("journal.jsonl");
  std::vector<nlohmann::json> events;
  std::string line;
  while (std::getline(in, line)) events.push_back(nlohmann::json::parse(line));
  return events;
}

TEST_F(FastPaths, TheJournalProbeAddsTimesAndMemoryMarksOnlyWhenAskedFor) {
  auto plain = JournalOfAStartAndStop(false);
  ASSERT_FALSE(plain.empty());
  for (const auto& event : plain) {
    EXPECT_FALSE(event.contains("t")) << event;
    EXPECT_FALSE(event.contains("rss_kb")) << event;
  }
  auto probed = JournalOfAStartAndStop(true);
  ASSERT_EQ(probed.size(), plain.size());
  double last = 0.0;
  for (std::size_t i = 0; i < probed.size(); ++i) {
    ASSERT_TRUE(probed[i].contains("t")) << probed[i];
    double t = probed[i]["t"];
    EXPECT_GE(t, last);
    last = t;
    EXPECT_GT(probed[i]["rss_kb"].get<long>(), 0);
    EXPECT_GE(probed[i]["peak_kb"].get<long>(), probed[i]["rss_kb"].get<long>());
    auto without = probed[i];
    for (const char* field : {"t", "rss_kb", "peak_kb"}) without.erase(field);
    EXPECT_EQ(without, plain[i]);
  }
}

}  // namespace
