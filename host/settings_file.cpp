// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

int HOSTAPI_CC HostIniAccess(const char* , int , const char* , const char* , const char* , va_list ) { return {}; }

}  // namespace host
