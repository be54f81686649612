// The instance number and its claim by lock files.
#include "host/program/instance_number.h"

#include <string>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/system/instance_lock.h"

namespace host {
namespace {

struct Instance {
  int number = 1;
};

constexpr int kMostInstances = 999;

}  // namespace

void SetInstanceNumber(int number) { SessionState<Instance>().number = number; }

int* HOSTAPI HostInstanceNumber() { return &SessionState<Instance>().number; }

InstanceClaim::InstanceClaim(const std::filesystem::path& folder) {
  for (int number = 1; number <= kMostInstances; ++number) {
    const std::filesystem::path file = folder / (".warnik-instance-" + std::to_string(number) + ".lock");
    handle_ = TryLockFile(file);
    if (handle_ >= 0) {
      lockFile_ = file;
      number_ = number;
      break;
    }
  }
  SetInstanceNumber(number_ > 0 ? number_ : 1);
  Journal({{"event", "instance"}, {"number", number_ > 0 ? number_ : 1}, {"claimed", number_ > 0}});
}

InstanceClaim::~InstanceClaim() { UnlockFile(handle_, lockFile_); }

}  // namespace host
