// Program information: the host's build date.
#include "host/program/program_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host/dates/calendar.h"
#include "host/session/session_options.h"

namespace host {
namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Mmm dd yyyy" (the compiler's build-date form: the day may be padded with a blank) as
// yyyymmdd; 0 for anything else.
unsigned ParseBuildDate(const char* text) {
  char month[4] = {};
  int day = 0;
  int year = 0;
  int consumed = 0;
  if (std::sscanf(text, "%3[A-Za-z] %2d %4d%n", month, &day, &year, &consumed) != 3) return 0;
  if (text[consumed] != '\0' || std::strlen(month) != 3) return 0;
  for (int m = 0; m < 12; ++m) {
    if (std::strcmp(month, kMonths[m]) == 0) {
      return IsCalendarDay(year, m + 1, day) && year >= 1000
                 ? static_cast<unsigned>(year * 10000 + (m + 1) * 100 + day)
                 : 0;
    }
  }
  return 0;
}

}  // namespace

// The build date of a text as a number that compares as the dates do (yyyymmdd); a null text
// gives the host's own build date (--build-date). Text that is no such date gives 0.
unsigned int HOSTAPI HostBuildDate(const char* buildDate) {
  return ParseBuildDate(buildDate != nullptr ? buildDate : options().buildDate.c_str());
}

}  // namespace host
