// The services the plug-in binds but never calls, as stubs (see stubs.h).
#include "host/program/stubs.h"

#include <string>

#include "host/session/journal.h"
#include "host/session/terminal.h"

namespace host {
namespace {

constexpr int kStubResult = 0;

// A pointer argument as the journal shows it: null, or that it was one.
nlohmann::json Pointer(const void* pointer) {
  return pointer == nullptr ? nlohmann::json(nullptr) : nlohmann::json("pointer");
}

int StubCalled(unsigned ordinal, const char* name, nlohmann::json arguments) {
  Journal({{"event", "stub"}, {"ordinal", ordinal}, {"service", name}, {"arguments", std::move(arguments)}});
  Say(std::string("warnik: the plug-in called ") + name + " (" + std::to_string(ordinal) +
      "), which this host has as a stub only; it did nothing and returned 0");
  return kStubResult;
}

}  // namespace

// STUB
int HOSTAPI HostUnused38417() { return StubCalled(38417, "HostUnused38417", nlohmann::json::object()); }

// STUB
int HOSTAPI HostUnused52224(int argument1, int argument2, int argument3, int argument4, int argument5,
                            int argument6) {
  return StubCalled(52224, "HostUnused52224",
                    {{"argument1", argument1}, {"argument2", argument2}, {"argument3", argument3},
                     {"argument4", argument4}, {"argument5", argument5}, {"argument6", argument6}});
}

// STUB
int HOSTAPI HostUnused52466() { return StubCalled(52466, "HostUnused52466", nlohmann::json::object()); }

// STUB: text is left as it is.
int HOSTAPI HostBufferToText(char* text, const void* buffer, int length) {
  return StubCalled(51617, "HostBufferToText",
                    {{"text", Pointer(text)}, {"buffer", Pointer(buffer)}, {"length", length}});
}

}  // namespace host
