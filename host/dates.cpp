// Date and time services on the host clock. Date texts are "dd.mm.yy" (2000-2099); the clock
// is the machine's unless --today / --now fix it, so that every run can be repeated exactly.
//
// HostCompareDates orders texts that do not parse after every real date (two such texts are
// equal): a stored date that was edited into nonsense then behaves like a date in the future,
// which callers already treat as "start again from the default range".
#include "host/dates.h"

#include <charconv>
#include <cstring>
#include <ctime>

#include "host/host.h"
#include "host/services.h"

namespace host {
namespace {

bool clockWarned = false;

void ResetClockState() { clockWarned = false; }

void RegisterReset() {
  static const bool registered = (OnHostReset(&ResetClockState), true);
  (void)registered;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of 1..maxDigits decimal digits at text[pos]; pos moves past it.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& value,
                std::size_t& digits) {
  std::size_t start = pos;
  while (pos < text.size() && pos - start < maxDigits && IsDigit(text[pos])) {
    ++pos;
  }
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

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

// A C text as ParseDateText reads it. The texts of the tables are almost always exactly
// "dd.mm.yy", and the report compares two of them per receipt, so that form is read straight
// from its bytes (stopping at the first one out of place, never reading past the end); any
// other text takes the general path.
std::optional<CivilDate> ParseDateC(const char* text) {
  if (text == nullptr) return std::nullopt;
  if (IsDigit(text[0]) && IsDigit(text[1]) && (text[2] == '.' || text[2] == '-') &&
      IsDigit(text[3]) && IsDigit(text[4]) && text[5] == text[2] && IsDigit(text[6]) &&
      IsDigit(text[7]) && text[8] == '\0') {
    CivilDate date{2000 + (text[6] - '0') * 10 + (text[7] - '0'),
                   (text[3] - '0') * 10 + (text[4] - '0'), (text[0] - '0') * 10 + (text[1] - '0')};
    if (date.month < 1 || date.month > 12) return std::nullopt;
    if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) return std::nullopt;
    return date;
  }
  return ParseDateText(text);
}

void WarnOnce(const std::string& what) {
  RegisterReset();
  if (clockWarned) return;
  clockWarned = true;
  Say("warnik: " + what + "; using the machine's clock");
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Howard Hinnant's days-from-civil, shifted so that 1 January 2000 is day 0.
long DayNumber(const CivilDate& date) {
  long y = date.year - (date.month <= 2 ? 1 : 0);
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long mp = (date.month + 9) % 12;
  long doy = (153 * mp + 2) / 5 + date.day - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 730425;  // 730425: days from 1 March 0000 to 1 January 2000
}

CivilDate DateFromDayNumber(long dayNumber) {
  long z = dayNumber + 730425;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
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
  if (date.month < 1 || date.month > 12) return std::nullopt;
  if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) return std::nullopt;
  return date;
}

std::optional<CivilDate> ParseHostDateText(std::string_view text) {
  if (text.size() != 8 || text[2] != '.' || text[5] != '.') return std::nullopt;
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
    if (!IsDigit(text[i])) return std::nullopt;
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

std::optional<ClockTime> ParseClockText(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  std::size_t digits = 0;
  ClockTime time;
  if (!ReadNumber(text, pos, 2, time.hour, digits) || digits != 2) return std::nullopt;
  if (pos >= text.size() || text[pos++] != ':') return std::nullopt;
  if (!ReadNumber(text, pos, 2, time.minute, digits) || digits != 2) return std::nullopt;
  if (pos < text.size()) {
    if (text[pos++] != ':') return std::nullopt;
    if (!ReadNumber(text, pos, 2, time.second, digits) || digits != 2) return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  if (time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
  return time;
}

CivilDate HostToday() {
  if (const auto& fixed = options().today) {
    if (auto date = ParseDateText(*fixed)) return *date;
    WarnOnce("--today \"" + *fixed + "\" is not a date dd.mm.yy");
  }
  std::tm local = LocalNow();
  CivilDate date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  if (date.year < 2000 || date.year > 2099) {
    // Outside the host's century the text would repeat an earlier year; keep it in range.
    date = DateFromDayNumber(date.year < 2000 ? 0 : kLastHostDay);
  }
  return date;
}

ClockTime HostNow() {
  if (const auto& fixed = options().now) {
    if (auto time = ParseClockText(*fixed)) return *time;
    WarnOnce("--now \"" + *fixed + "\" is not a time hh:mm:ss");
  }
  std::tm local = LocalNow();
  return {local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec};
}

// Writes today's date, "dd.mm.yy", into a buffer of at least 9 bytes.
char* HOSTAPI HostTodayText(char* buffer) {
  if (buffer == nullptr) return nullptr;
  FormatHostDate(HostToday(), buffer);
  return buffer;
}

// Form 1 "hh:mm:ss", form 2 "hh:mm". Any other form writes an empty text and gives null.
char* HOSTAPI HostTimeText(char* buffer, int form) {
  if (buffer == nullptr) return nullptr;
  ClockTime now = HostNow();
  if (form == 1) {
    std::snprintf(buffer, 9, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  } else if (form == 2) {
    std::snprintf(buffer, 6, "%02d:%02d", now.hour, now.minute);
  } else {
    buffer[0] = '\0';
    return nullptr;
  }
  return buffer;
}

// Splits a date text into its four-digit year, month and day. 0 when the text is a date;
// otherwise 1 for an empty text and 2 for one that does not parse, and the three are 0.
int HOSTAPI HostParseDate(const char* text, short* year, short* month, short* day, int) {
  std::optional<CivilDate> date;
  int result = 1;
  if (text != nullptr && !TrimBlanks(text).empty()) {
    date = ParseDateC(text);
    result = date ? 0 : 2;
  }
  CivilDate parts = date.value_or(CivilDate{});
  if (year != nullptr) *year = static_cast<short>(parts.year);
  if (month != nullptr) *month = static_cast<short>(parts.month);
  if (day != nullptr) *day = static_cast<short>(parts.day);
  return result;
}

// The number of days from b to a: positive when a is the later date. Texts that do not parse
// come after every date (see the top of this file).
int HOSTAPI HostCompareDates(const char* a, const char* b) {
  auto first = ParseDateC(a);
  auto second = ParseDateC(b);
  if (first && second) return static_cast<int>(DayNumber(*first) - DayNumber(*second));
  if (!first && !second) return 0;
  return first ? -1 : 1;
}

// destination = source moved by days (source and destination may be the same buffer). When the
// source is not a date or the result leaves 2000-2099, destination is left as it was and the
// result is null.
char* HOSTAPI HostAddDays(const char* source, char* destination, int days) {
  if (source == nullptr || destination == nullptr) return nullptr;
  auto date = ParseDateC(source);
  if (!date) return nullptr;
  long moved = DayNumber(*date) + static_cast<long>(days);
  if (moved < 0 || moved > kLastHostDay) return nullptr;
  FormatHostDate(DateFromDayNumber(moved), destination);
  return destination;
}

}  // namespace host
