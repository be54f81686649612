// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

int HOSTAPI HostConvertText(const char* , char* , int , int ) { return {}; }
int HOSTAPI HostConvertTextSized(char* , int , const char* , int , int , int ) { return {}; }

}  // namespace host
