// The host's calendar: date texts "dd.mm.yy" (years 2000-2099) and day numbers for comparing
// and moving dates, on the C++ calendar (std::chrono).
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

// Reads a date text: day, month and year separated by '.' or '-' (one kind of separator in
// one text), day and month of one or two digits, the year of two digits (20yy) or four
// (2000-2099); blanks around the text are ignored. Nothing else parses, and neither does a
// day that the month does not have.
std::optional<CivilDate> ParseDateText(std::string_view text);

// Only the host's own form: exactly "dd.mm.yy" with dots.
std::optional<CivilDate> ParseHostDateText(std::string_view text);

// A C text as ParseDateText reads it; the usual "dd.mm.yy" read straight from its bytes.
std::optional<CivilDate> ParseDateC(const char* text);

// "dd.mm.yy" into 9 bytes (8 characters and a NUL). The year must be 2000..2099.
void FormatHostDate(const CivilDate& date, char out[9]);
std::string FormatHostDate(const CivilDate& date);

// A real day of the proleptic Gregorian calendar (years 1..9999).
bool IsCalendarDay(int year, int month, int day);

// Days since 1 January 2000 (day 0) and back; the range of host dates is 0..36524.
long DayNumber(const CivilDate& date);
CivilDate DateFromDayNumber(long dayNumber);
inline constexpr long kLastHostDay = 36524;  // 31.12.2099

}  // namespace host
