// The program state services as the plug-in sees them: the quiet flag, the ready word, the
// state word, and the automatic callback's start. Tests read the values the plug-in left.
#pragma once

#include "host/service_types.h"

namespace host {

HostQuietFlagType HostQuietFlag;            // 37974
HostReadyFlagType HostReadyFlag;            // 52267
HostGetStateFlagsType HostGetStateFlags;    // 32300
HostSetStateFlagsType HostSetStateFlags;    // 32408
HostCallbackStartType HostCallbackStart;    // 52172

// The current values behind HostQuietFlag and HostGetStateFlags.
int QuietFlagValue();
int StateWordValue();

}  // namespace host
