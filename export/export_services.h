// The host services an export cannot do without. A host that lacked a service at load, and
// whose user chose Ignore, answers it with a do-nothing stand-in; for most services that
// stand-in would silently change what the report holds, whether it is made or whether it is
// mailed (a two-day export holding the whole month, an empty attachment, an empty report
// shown as sent), so such an export is refused instead.
#pragma once

#include "binding/host_binding.h"

// More than the host has services, so that every one can be listed.
inline constexpr int kMostMissingServices = 128;

// The services the export needs that the host lacks, in slot order, into missing (room for
// kMostMissingServices); returns how many there are.
int MissingExportServices(StandInService* missing);
