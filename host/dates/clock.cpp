// The host clock.
#include "host/dates/clock.h"

#include <cstdio>
#include <ctime>

#include "host/session/session_options.h"
#include "host/session/terminal.h"

namespace host {
namespace {

struct ClockState {
  bool warned = false;  // about an unusable --today or --now, once a session
};

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void WarnOnce(const std::string& what) {
  bool& warned = SessionState<ClockState>().warned;
  if (warned) return;
  warned = true;
  Say("warnik: " + what + "; using the machine's clock");
}

// Minutes east of UTC of the machine's local time now.
long LocalZoneMinutes() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  std::tm utc{};
  localtime_r(&now, &local);
  gmtime_r(&now, &utc);
  const long days = DayNumber({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}) -
                    DayNumber({utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday});
  return days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

}  // namespace

std::optional<ClockTime> ParseClockText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  const auto two = [&](std::size_t at, int& value) {
    if (at + 2 > text.size() || text[at] < '0' || text[at] > '9' || text[at + 1] < '0' || text[at + 1] > '9') {
      return false;
    }
    value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return true;
  };
  ClockTime time;
  if (!two(0, time.hour) || text.size() < 5 || text[2] != ':' || !two(3, time.minute)) return std::nullopt;
  if (text.size() != 5 && (text.size() != 8 || text[5] != ':' || !two(6, time.second))) return std::nullopt;
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

std::string MailDateText() {
  static constexpr const char* kDays[7] = {"Sat", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri"};
  static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const CivilDate today = HostToday();
  const ClockTime now = HostNow();
  char zone[8] = "-0000";
  if (!options().today && !options().now) {
    const long minutes = LocalZoneMinutes();
    const long size = minutes < 0 ? -minutes : minutes;
    std::snprintf(zone, sizeof zone, "%c%02ld%02ld", minutes < 0 ? '-' : '+', size / 60 % 100, size % 60);
  }
  char text[64];
  // Day 0, 1 January 2000, was a Saturday.
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %s", kDays[DayNumber(today) % 7],
                today.day, kMonths[today.month - 1], today.year, now.hour, now.minute, now.second, zone);
  return text;
}

}  // namespace host
