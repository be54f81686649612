// The host's program state as the plug-in sees it: the quiet flag, the ready word, the state
// word, and the cash-register selection. Read by tests to see what the plug-in left behind.
#pragma once

#include <array>

namespace host {

// The flags last handed to HostCashRegisterSelect (registers 1..10; unselected: 0).
const std::array<short, 10>& SelectedCashRegisters();

// The current values behind HostQuietFlag, HostReadyFlag and HostGetStateFlags.
int QuietFlagValue();
short ReadyWordValue();
int StateWordValue();

}  // namespace host
