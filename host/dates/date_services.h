// The date and time services on the host clock.
#pragma once

#include "host/service_types.h"

namespace host {

HostTodayTextType HostTodayText;        // 30204
HostTimeTextType HostTimeText;          // 30308
HostParseDateType HostParseDate;        // 30520
HostCompareDatesType HostCompareDates;  // 30908
HostAddDaysType HostAddDays;            // 31012

}  // namespace host
