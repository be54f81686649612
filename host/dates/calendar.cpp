// Date texts and day numbers. The calendar arithmetic is std::chrono's; this file reads and
// writes the host's texts.
#include "host/dates/calendar.h"

#include <charconv>
#include <chrono>

namespace host {
namespace {

namespace chrono = std::chrono;

constexpr chrono::sys_days kDayZero = chrono::year{2000} / 1 / 1;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of 1..maxDigits decimal digits at text[pos]; pos moves past it.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& value,
                std::size_t& digits) {
  std::size_t start = pos;
  while (pos < text.size() && pos - start < maxDigits && IsDigit(text[pos])) ++pos;
  digits = pos - start;
  if (digits == 0) return false;
  std::from_chars(text.data() + start, text.data() + pos, value);
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool IsCalendarDay(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  return chrono::year_month_day(chrono::year(year), chrono::month(static_cast<unsigned>(month)),
                                chrono::day(static_cast<unsigned>(day)))
      .ok();
}

long DayNumber(const CivilDate& date) {
  const chrono::sys_days day = chrono::year(date.year) / chrono::month(static_cast<unsigned>(date.month)) /
                               chrono::day(static_cast<unsigned>(date.day));
  return static_cast<long>((day - kDayZero).count());
}

CivilDate DateFromDayNumber(long dayNumber) {
  const chrono::year_month_day date(kDayZero + chrono::days(dayNumber));
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

std::optional<CivilDate> ParseDateText(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  std::size_t digits = 0;
  CivilDate date;
  if (!ReadNumber(text, pos, 2, date.day, digits)) return std::nullopt;
  if (pos >= text.size() || (text[pos] != '.' && text[pos] != '-')) return std::nullopt;
  char separator = text[pos++];
  if (!ReadNumber(text, pos, 2, date.month, digits)) return std::nullopt;
  if (pos >= text.size() || text[pos] != separator) return std::nullopt;
  ++pos;
  if (!ReadNumber(text, pos, 4, date.year, digits) || pos != text.size()) return std::nullopt;
  if (digits == 2) {
    date.year += 2000;
  } else if (digits != 4) {
    return std::nullopt;
  }
  if (date.year < 2000 || date.year > 2099) return std::nullopt;
  if (!IsCalendarDay(date.year, date.month, date.day)) return std::nullopt;
  return date;
}

std::optional<CivilDate> ParseHostDateText(std::string_view text) {
  if (text.size() != 8 || text[2] != '.' || text[5] != '.') return std::nullopt;
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  const CivilDate date{2000 + (text[6] - '0') * 10 + (text[7] - '0'), (text[3] - '0') * 10 + (text[4] - '0'),
                       (text[0] - '0') * 10 + (text[1] - '0')};
  if (!IsCalendarDay(date.year, date.month, date.day)) return std::nullopt;
  return date;
}

// The texts of the tables are almost always exactly "dd.mm.yy", and the report compares two
// of them per receipt, so that form is read straight from its bytes (stopping at the first one
// out of place, never reading past the end); any other text takes the general path.
std::optional<CivilDate> ParseDateC(const char* text) {
  if (text == nullptr) return std::nullopt;
  if (IsDigit(text[0]) && IsDigit(text[1]) && (text[2] == '.' || text[2] == '-') &&
      IsDigit(text[3]) && IsDigit(text[4]) && text[5] == text[2] && IsDigit(text[6]) &&
      IsDigit(text[7]) && text[8] == '\0') {
    CivilDate date{2000 + (text[6] - '0') * 10 + (text[7] - '0'),
                   (text[3] - '0') * 10 + (text[4] - '0'), (text[0] - '0') * 10 + (text[1] - '0')};
    if (!IsCalendarDay(date.year, date.month, date.day)) return std::nullopt;
    return date;
  }
  return ParseDateText(text);
}

void FormatHostDate(const CivilDate& date, char out[9]) {
  auto twoDigits = [](char* at, int value) {
    unsigned v = static_cast<unsigned>(value) % 100u;
    at[0] = static_cast<char>('0' + v / 10);
    at[1] = static_cast<char>('0' + v % 10);
  };
  twoDigits(out, date.day);
  out[2] = '.';
  twoDigits(out + 3, date.month);
  out[5] = '.';
  twoDigits(out + 6, date.year);
  out[8] = '\0';
}

std::string FormatHostDate(const CivilDate& date) {
  char text[9];
  FormatHostDate(date, text);
  return text;
}

}  // namespace host
