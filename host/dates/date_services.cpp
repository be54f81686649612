// The date and time services. Date texts are "dd.mm.yy" (2000-2099).
//
// HostCompareDates orders texts that do not parse after every real date (two such texts are
// equal): a stored date that was edited into nonsense then behaves like a date in the future,
// which callers already treat as "start again from the default range".
#include "host/dates/date_services.h"

#include <cstdio>
#include <string_view>

#include "host/dates/calendar.h"
#include "host/dates/clock.h"

namespace host {

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
  if (text != nullptr && std::string_view(text).find_first_not_of(" \t") != std::string_view::npos) {
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
