// The type of every host service, made from the one table of services: each service group's
// header declares its services with these types (`HostAlertType HostAlert;`), so that the
// emulator's signatures cannot drift from the plug-in's slots.
#pragma once

#include "contract/host_types.h"

struct MenuEntry;

namespace host {
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) typedef ret(conv name##Type) params;
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) typedef ret(conv name##Type) params;
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
}  // namespace host
