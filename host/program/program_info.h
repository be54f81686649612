// Program information: the host's build date, and the services the plug-in binds without
// calling them. None of these journal anything.
#pragma once

#include "host/service_types.h"

namespace host {

HostBuildDateType HostBuildDate;      // 52006
HostUnused38417Type HostUnused38417;  // 38417
HostUnused52224Type HostUnused52224;  // 52224
HostUnused52466Type HostUnused52466;  // 52466

}  // namespace host
