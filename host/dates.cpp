// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

char* HOSTAPI HostTodayText(char* ) { return {}; }
char* HOSTAPI HostTimeText(char* , int ) { return {}; }
int HOSTAPI HostParseDate(const char* , short* , short* , short* , int ) { return {}; }
int HOSTAPI HostCompareDates(const char* , const char* ) { return {}; }
char* HOSTAPI HostAddDays(const char* , char* , int ) { return {}; }

}  // namespace host
