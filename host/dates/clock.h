// The host clock: --today and --now when given (so that every run can be repeated exactly),
// otherwise the machine's local clock.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/dates/calendar.h"

namespace host {

struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

CivilDate HostToday();
ClockTime HostNow();

// Reads "hh:mm:ss" or "hh:mm" (hours 0-23, minutes and seconds 0-59).
std::optional<ClockTime> ParseClockText(std::string_view text);

// The host clock's moment as a mail header's date (RFC 5322), e.g.
// "Tue, 31 Mar 2026 12:00:00 +0200". A clock fixed by --today or --now has no known time
// zone, which such a date writes as "-0000".
std::string MailDateText();

}  // namespace host
