// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

int HOSTAPI HostShowMessage(const char* , const char* , int ) { return {}; }
int HOSTAPI_CC HostShowMessageF(const char* , const char* , int , ...) { return {}; }
int HOSTAPI HostShowMessageV(int , const char* , const char* , int , va_list ) { return {}; }
int HOSTAPI HostAlert(const char* ) { return {}; }
int HOSTAPI HostCloseMessage() { return {}; }

}  // namespace host
