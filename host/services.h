// The emulator's side of the host services: one function per service, with exactly the
// signature the plug-in's slot has, from the same table.
#pragma once

#include "frame/host_types.h"

struct MenuEntry;

namespace host {
#define HOST_SERVICE(slot, ordinal, name, conv, ret, params, args) ret conv name params;
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, conv, ret, params) ret conv name params;
#include "frame/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
}  // namespace host
