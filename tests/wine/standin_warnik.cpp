// A stand-in host module WARNIK.dll for the binding tests under Wine: every service records
// its ordinal when called and returns 0; the conversion service also records its code pages.
// The tests read the records through the named entries below and leave ordinals out by
// emptying their export entries (host/win32/export_table.h).
#include <cstddef>
#include <utility>
#include <vector>

#include "contract/host_types.h"

namespace {

std::vector<unsigned> calls;
std::vector<std::pair<int, int>> conversions;

}  // namespace

extern "C" {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  ret conv Fake_##name params {                                     \
    calls.push_back(ordinal);                                       \
    return {};                                                      \
  }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, ())
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
#pragma GCC diagnostic pop

// Put in the place of 52158 by the tests.
int HOSTAPI StandInConvertText(const char*, char*, int from, int to) {
  calls.push_back(52158);
  conversions.emplace_back(from, to);
  return 0;
}

void StandInClear() {
  calls.clear();
  conversions.clear();
}
std::size_t StandInCallCount() { return calls.size(); }
unsigned StandInCall(std::size_t i) { return calls.at(i); }
std::size_t StandInConversionCount() { return conversions.size(); }
void StandInConversion(std::size_t i, int* from, int* to) {
  *from = conversions.at(i).first;
  *to = conversions.at(i).second;
}

}  // extern "C"
