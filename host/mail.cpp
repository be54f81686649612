// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

int HOSTAPI HostRandom(int ) { return {}; }
int* HOSTAPI HostInstanceNumber() { return {}; }
int HOSTAPI HostSendMail(const char* , int , const char* , const char* , const char* , int ) { return {}; }
char* HOSTAPI HostBase64Encode(const void* , int ) { return {}; }

}  // namespace host
