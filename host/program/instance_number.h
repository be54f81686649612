// The host's instance number: 1 for a lone session, and for sessions running at the same time
// in one folder 1, 2, 3 ..., each its own, so that their files (tempatach<N>.txt, the
// message) never meet.
#pragma once

#include <filesystem>

#include "host/service_types.h"

namespace host {

HostInstanceNumberType HostInstanceNumber;  // 52485

// The number HostInstanceNumber points to; 1 at the start of every session.
void SetInstanceNumber(int number);

// Claims the lowest number that no other session running in the folder holds, through the
// lock file ".warnik-instance-<N>.lock" there, held until the claim ends (or the process
// does). The number becomes the session's.
class InstanceClaim {
 public:
  explicit InstanceClaim(const std::filesystem::path& folder = ".");
  ~InstanceClaim();
  InstanceClaim(const InstanceClaim&) = delete;
  InstanceClaim& operator=(const InstanceClaim&) = delete;

  // The number claimed; 0 when none could be (the folder takes no lock files).
  int number() const { return number_; }

 private:
  std::filesystem::path lockFile_;
  long handle_ = -1;
  int number_ = 0;
};

}  // namespace host
