// Stubs: the services the plug-in binds but never calls. The host has them so that the
// plug-in loads, and nothing more is known of them than that; none invents a behaviour. Each
// journals its call ("stub": the ordinal, the name and the arguments), says it on the
// terminal, does nothing else and returns 0.
#pragma once

#include "host/service_types.h"

namespace host {

HostUnused38417Type HostUnused38417;    // 38417 ()
HostUnused52224Type HostUnused52224;    // 52224 (argument1 ... argument6)
HostUnused52466Type HostUnused52466;    // 52466 ()
HostBufferToTextType HostBufferToText;  // 51617 (text, buffer, length): writes nothing

}  // namespace host
