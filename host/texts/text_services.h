// The text services (trimming, copying, rounding an amount, random numbers), and the host's
// one way of showing a number in hexadecimal.
#pragma once

#include <string>

#include "host/service_types.h"

namespace host {

HostTrimTextType HostTrimText;          // 52133
HostCopyTextType HostCopyText;          // 52161
HostRoundAmountType HostRoundAmount;    // 52178
HostRandomType HostRandom;              // 51104

// "0x7F10": a menu id, a form's key or kind as the terminal and the journal show it.
std::string HexNumber(unsigned value);

}  // namespace host
