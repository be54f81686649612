// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

int* HOSTAPI HostQuietFlag() { return {}; }
short* HOSTAPI HostReadyFlag() { return {}; }
int HOSTAPI HostGetStateFlags() { return {}; }
int HOSTAPI HostSetStateFlags(int , int ) { return {}; }
int HOSTAPI HostCashRegisterSelect(short* , int ) { return {}; }
int HOSTAPI HostCashRegisterRead(int , int ) { return {}; }
int HOSTAPI HostCallbackStart(int ) { return {}; }

}  // namespace host
