// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

unsigned int HOSTAPI HostBuildDate(const char* ) { return {}; }
int HOSTAPI HostUnused38417() { return {}; }
int HOSTAPI HostUnused52224(int , int , int , int , int , int ) { return {}; }
int HOSTAPI HostUnused52466() { return {}; }
int HOSTAPI HostBufferToText(char* , const void* , int ) { return {}; }

}  // namespace host
