// The services an export can do without; every other one it needs.
#include "export/export_services.h"


namespace {

// The services whose stand-ins (doing nothing, giving 0 or null) leave the report, its making
// and its mailing as they are. A service not named here is needed: a new one is safe until
// someone decides otherwise.
constexpr unsigned kNotNeeded[] = {
    52029,  // HostShowMessageF: only the notice while the report is written
    52158,  // HostConvertText: only the attachment's file name, which is ASCII
    37974,  // HostQuietFlag: no flag at all is taken as not quiet
    32300,  // HostGetStateFlags and
    32408,  // HostSetStateFlags: the host's own state bit, which no output depends on
    52064,  // HostCloseMessage: only takes notices down
    52485,  // HostInstanceNumber: no number gives the names of a host running alone
    51104,  // HostRandom: a boundary of zeros is still one that no Base64 line can hold
    52172,  // HostCallbackStart: its result is not looked at
    // Bound at load, never called by an export.
    38417, 52224, 52466, 51617, 52006, 52081, 52082, 52178,
};

bool Needed(unsigned ordinal) {
  for (unsigned spared : kNotNeeded) {
    if (spared == ordinal) return false;
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
