// Program information: the host's build date. It journals nothing.
#pragma once

#include "host/service_types.h"

namespace host {

HostBuildDateType HostBuildDate;      // 52006

}  // namespace host
