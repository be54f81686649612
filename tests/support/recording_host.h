// The recording fake host, made from the service table: every service appends its ordinal to
// the call list and returns nothing (zero); the conversion's stand-in also keeps the code pages
// it was asked for. Where the routines live is the includer's: recording_services.inc defines
// Fake_<name> for every service in the scope it is included in (a namespace in a test, extern
// "C" in the stand-in WARNIK.dll, whose module definition names them).
#pragma once

#include <utility>
#include <vector>

#include "contract/host_types.h"

namespace recording_host {

inline std::vector<unsigned>& Calls() {
  static std::vector<unsigned> calls;
  return calls;
}

inline std::vector<std::pair<int, int>>& Conversions() {
  static std::vector<std::pair<int, int>> conversions;
  return conversions;
}

inline void Clear() {
  Calls().clear();
  Conversions().clear();
}

// Put in the place of 52158 (HostConvertText) by the tests.
inline int HOSTAPI ConvertText(const char*, char*, int from, int to) {
  Calls().push_back(52158);
  Conversions().emplace_back(from, to);
  return 0;
}

}  // namespace recording_host
