// The services an export can do without; every other one it needs.
#include "export/export_services.h"

#include "contract/host_types.h"

namespace {

// Each service's ordinal and fallback, by its name in the contract's table.
struct ServiceEntry {
  unsigned ordinal;
  int fallback;  // the table's: -1 when there is no stand-in for it
};
namespace service {
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  [[maybe_unused]] constexpr ServiceEntry name = {ordinal, fallback};
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  [[maybe_unused]] constexpr ServiceEntry name = {ordinal, fallback};
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
}  // namespace service

// The services whose stand-ins (doing nothing, giving 0 or null) leave the report, its making
// and its mailing as they are. Only a service with a fallback can ever be answered by a
// stand-in; one without is bound or the plug-in does not load. A service not named here is
// needed: a new one is safe until someone decides otherwise.
constexpr ServiceEntry kNotNeeded[] = {
    service::HostGetStateFlags,  // and
    service::HostSetStateFlags,  // the host's own state bit, which no output depends on
    service::HostRandom,         // a boundary of zeros is still one that no Base64 line can hold
    service::HostUnused52224,    // bound at load, never called by an export
};

constexpr bool EachCanBeAStandIn() {
  for (const ServiceEntry& spared : kNotNeeded) {
    if (spared.fallback < 0) return false;
  }
  return true;
}
static_assert(EachCanBeAStandIn(), "a service without a fallback is never a stand-in: it needs no place here");

bool Needed(unsigned ordinal) {
  for (const ServiceEntry& spared : kNotNeeded) {
    if (spared.ordinal == ordinal) return false;
  }
  return true;
}

}  // namespace

int MissingExportServices(StandInService* missing) {
  StandInService standIns[kMostMissingServices];
  const int count = ListStandInServices(standIns, kMostMissingServices);
  int needed = 0;
  for (int i = 0; i < count && i < kMostMissingServices; ++i) {
    if (Needed(standIns[i].ordinal)) missing[needed++] = standIns[i];
  }
  return needed;
}
