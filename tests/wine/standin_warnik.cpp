// A stand-in host module WARNIK.dll for the binding tests under Wine: the recording fake host
// (tests/support/recording_host.h), every service exported by ordinal as Fake_<name>. The
// tests read the records through the named entries below and leave ordinals out by emptying
// their export entries (host/win32/export_table.h).
#include <cstddef>

#include "tests/support/recording_host.h"

extern "C" {

#include "tests/support/recording_services.inc"

// Put in the place of 52158 by the tests.
int HOSTAPI StandInConvertText(const char* source, char* destination, int from, int to) {
  return recording_host::ConvertText(source, destination, from, to);
}

void StandInClear() { recording_host::Clear(); }
std::size_t StandInCallCount() { return recording_host::Calls().size(); }
unsigned StandInCall(std::size_t i) { return recording_host::Calls().at(i); }
std::size_t StandInConversionCount() { return recording_host::Conversions().size(); }
void StandInConversion(std::size_t i, int* from, int* to) {
  *from = recording_host::Conversions().at(i).first;
  *to = recording_host::Conversions().at(i).second;
}

}  // extern "C"
