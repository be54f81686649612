// Dates on the host clock, and the text and amount helpers.
#include <climits>
#include <cmath>

#include "host/dates/calendar.h"
#include "host/dates/clock.h"
#include "host/all_services.h"
#include "tests/support/host_fixture.h"

namespace {

std::string Moved(const char* date, int days) {
  char buffer[12] = "unchanged";
  char* result = host::HostAddDays(date, buffer, days);
  return result == buffer ? std::string(buffer) : "null:" + std::string(buffer);
}

TEST(Dates, AddDaysRollsOverMonthsYearsAndLeapDays) {
  EXPECT_EQ(Moved("31.03.26", 1), "01.04.26");
  EXPECT_EQ(Moved("01.03.26", -1), "28.02.26");
  EXPECT_EQ(Moved("01.03.24", -1), "29.02.24");
  EXPECT_EQ(Moved("28.02.24", 1), "29.02.24");
  EXPECT_EQ(Moved("29.02.24", 365), "28.02.25");
  EXPECT_EQ(Moved("31.12.25", 1), "01.01.26");
  EXPECT_EQ(Moved("01.01.26", -1), "31.12.25");
  EXPECT_EQ(Moved("15.06.26", 0), "15.06.26");
  EXPECT_EQ(Moved("01.01.00", 36524), "31.12.99");     // the whole century, 2000 a leap year
  EXPECT_EQ(Moved("01-03-2026", -2), "27.02.26");      // other forms come back as dd.mm.yy
  // Out of the host's century or not a date: null, destination untouched.
  EXPECT_EQ(Moved("01.01.00", -1), "null:unchanged");
  EXPECT_EQ(Moved("31.12.99", 1), "null:unchanged");
  EXPECT_EQ(Moved("32.01.26", 1), "null:unchanged");
  EXPECT_EQ(Moved("", 1), "null:unchanged");
  EXPECT_EQ(Moved("01.01.26", INT_MIN), "null:unchanged");

  char same[12] = "01.03.26";  // the export run moves a date in place
  EXPECT_EQ(host::HostAddDays(same, same, -1), same);
  EXPECT_STREQ(same, "28.02.26");
}

TEST(Dates, DayNumbersRoundTripOverTheCentury) {
  for (long day = 0; day <= host::kLastHostDay; ++day) {
    auto date = host::DateFromDayNumber(day);
    ASSERT_EQ(host::DayNumber(date), day);
    ASSERT_TRUE(host::IsCalendarDay(date.year, date.month, date.day)) << day;
  }
}

TEST(Dates, CompareOrdersByDayAndPutsNonDatesLast) {
  EXPECT_EQ(host::HostCompareDates("01.03.26", "01.03.26"), 0);
  EXPECT_GT(host::HostCompareDates("01.03.26", "28.02.26"), 0);
  EXPECT_LT(host::HostCompareDates("31.12.25", "01.01.26"), 0);
  EXPECT_EQ(host::HostCompareDates("01-03-26", "01.03.2026"), 0);
  EXPECT_EQ(host::HostCompareDates("02.03.26", "01.03.26"), 1);  // the distance in days
  EXPECT_GT(host::HostCompareDates("garbage", "31.12.99"), 0);
  EXPECT_LT(host::HostCompareDates("01.01.00", ""), 0);
  EXPECT_EQ(host::HostCompareDates("garbage", ""), 0);
  EXPECT_GT(host::HostCompareDates(nullptr, "01.01.26"), 0);
}

TEST(Dates, ParseAcceptsBothSeparatorsAndRefusesNonDates) {
  struct Case {
    const char* text;
    int result;
    short year, month, day;
  } cases[] = {
      {"14.03.26", 0, 2026, 3, 14},  {"14-03-26", 0, 2026, 3, 14},
      {"29.02.24", 0, 2024, 2, 29},  {"1.3.2099", 0, 2099, 3, 1},
      {" 01.01.00 ", 0, 2000, 1, 1}, {"", 1, 0, 0, 0},
      {"29.02.26", 2, 0, 0, 0},      {"14.03-26", 2, 0, 0, 0},
      {"14.13.26", 2, 0, 0, 0},      {"14.03.1999", 2, 0, 0, 0},
      {"14.03.26x", 2, 0, 0, 0},     {"14/03/26", 2, 0, 0, 0},
      {"140326", 2, 0, 0, 0},        {"14.03.126", 2, 0, 0, 0},
  };
  for (const auto& c : cases) {
    short year = -1, month = -1, day = -1;
    EXPECT_EQ(host::HostParseDate(c.text, &year, &month, &day, 0), c.result) << c.text;
    EXPECT_EQ(year, c.year) << c.text;
    EXPECT_EQ(month, c.month) << c.text;
    EXPECT_EQ(day, c.day) << c.text;
  }
  EXPECT_NE(host::HostParseDate(nullptr, nullptr, nullptr, nullptr, 0), 0);
}

class Clock : public testsupport::InProcessHost {};

TEST_F(Clock, TodayAndTimeFollowTheSettableClock) {
  options.today = "05.01.26";
  options.now = "00:00:59";
  StartSession();
  char buffer[12];
  EXPECT_EQ(host::HostTodayText(buffer), buffer);
  EXPECT_STREQ(buffer, "05.01.26");
  EXPECT_EQ(host::HostTimeText(buffer, 1), buffer);
  EXPECT_STREQ(buffer, "00:00:59");
  EXPECT_EQ(host::HostTimeText(buffer, 2), buffer);
  EXPECT_STREQ(buffer, "00:00");
  EXPECT_EQ(host::HostTimeText(buffer, 3), nullptr);
  EXPECT_STREQ(buffer, "");

  options.today.reset();
  options.now.reset();
  StartSession();
  host::HostTodayText(buffer);
  EXPECT_TRUE(host::ParseHostDateText(buffer).has_value()) << buffer;
  host::HostTimeText(buffer, 1);
  EXPECT_TRUE(host::ParseClockText(buffer).has_value()) << buffer;
}

TEST(Texts, TrimStripsBlanksAtBothEndsInPlace) {
  char text[] = " \t 7712345 Jan \r\n";
  EXPECT_EQ(host::HostTrimText(text), text);
  EXPECT_STREQ(text, "7712345 Jan");
  char blank[] = "   ";
  EXPECT_STREQ(host::HostTrimText(blank), "");
  EXPECT_EQ(host::HostTrimText(nullptr), nullptr);
}

TEST(Texts, CopyTakesAtMostNCharactersThenANul) {
  char buffer[12];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(host::HostCopyText(buffer, "23:59:00", 5), buffer);
  EXPECT_STREQ(buffer, "23:59");
  EXPECT_EQ(buffer[6], 'z');
  EXPECT_STREQ(host::HostCopyText(buffer, "ab", 10), "ab");
  EXPECT_STREQ(host::HostCopyText(buffer, "ab", -3), "");
  EXPECT_STREQ(host::HostCopyText(buffer, nullptr, 4), "");
}

TEST(Texts, RoundAmountGoesToTheNearestStepWithHalvesAwayFromZero) {
  EXPECT_EQ(host::HostRoundAmount(750.0, 100), 800);
  EXPECT_EQ(host::HostRoundAmount(749.999, 100), 700);
  EXPECT_EQ(host::HostRoundAmount(-750.0, 100), -800);
  EXPECT_EQ(host::HostRoundAmount(-749.0, 100), -700);
  EXPECT_EQ(host::HostRoundAmount(250125.0, 100), 250100);
  EXPECT_EQ(host::HostRoundAmount(250150.0, 100), 250200);
  EXPECT_EQ(host::HostRoundAmount(0.0, 100), 0);
  EXPECT_EQ(host::HostRoundAmount(2.5, 1), 3);
  EXPECT_EQ(host::HostRoundAmount(2.5, 0), 3);     // step 0 counts as 1
  EXPECT_EQ(host::HostRoundAmount(150.0, -100), 200);
  // Beyond 32 bits: the multiple of the step nearest to the limit; NaN: 0.
  EXPECT_EQ(host::HostRoundAmount(1e12, 100), 2147483600);
  EXPECT_EQ(host::HostRoundAmount(-1e12, 100), -2147483600);
  EXPECT_EQ(host::HostRoundAmount(1e300, 1), INT_MAX);
  EXPECT_EQ(host::HostRoundAmount(std::nan(""), 100), 0);
}

}  // namespace
