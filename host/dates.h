// The host's calendar: date texts "dd.mm.yy" (years 2000-2099), day numbers for comparing and
// moving dates, and the settable clock (--today, --now) behind HostTodayText and HostTimeText.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host {

struct CivilDate {
  int year = 0;   // 2000..2099
  int month = 0;  // 1..12
  int day = 0;    // 1..days in the month
};

struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Reads a date text: day, month and year separated by '.' or '-' (one kind of separator in
// one text), day and month of one or two digits, the year of two digits (20yy) or four
// (2000-2099); blanks around the text are ignored. Nothing else parses, and neither does a
// day that the month does not have.
std::optional<CivilDate> ParseDateText(std::string_view text);

// Only the host's own form: exactly "dd.mm.yy" with dots.
std::optional<CivilDate> ParseHostDateText(std::string_view text);

// "dd.mm.yy" into 9 bytes (8 characters and a NUL). The year must be 2000..2099.
void FormatHostDate(const CivilDate& date, char out[9]);
std::string FormatHostDate(const CivilDate& date);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Days since 1 January 2000 (day 0) and back; the range of host dates is 0..36524.
long DayNumber(const CivilDate& date);
CivilDate DateFromDayNumber(long dayNumber);
inline constexpr long kLastHostDay = 36524;  // 31.12.2099

// The host clock: --today and --now when given, otherwise the machine's local clock.
CivilDate HostToday();
ClockTime HostNow();

// Reads "hh:mm:ss" or "hh:mm" (hours 0-23, minutes and seconds 0-59).
std::optional<ClockTime> ParseClockText(std::string_view text);

}  // namespace host
