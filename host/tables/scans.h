// The scan services over the host's tables and their indexes.
#pragma once

#include "host/service_types.h"

namespace host {

HostPrepareTableType HostPrepareTable;  // 52465
HostMakeKeyType HostMakeKey;            // 51425
HostScanBeginType HostScanBegin;        // 52278
HostScanNextType HostScanNext;          // 52279
HostScanEndType HostScanEnd;            // 52281

}  // namespace host
