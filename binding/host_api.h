// The host services as the plug-in calls them.
//
// Each service has a slot in hostSlots; calling HostAlert(text) is one indirect call through
// that slot. A slot starts out holding a resolver stub of the same type, which binds the slot
// on first call and then carries the call on (see host_binding.cpp).
#pragma once

#include "contract/host_types.h"

struct HostServiceSlots {
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) ret(conv* name) params;
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) ret(conv* name) params;
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
};

extern HostServiceSlots hostSlots;

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  inline ret name params { return hostSlots.name args; }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params)
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

// The two services with a variable argument list: the values are handed on as they are.
template <typename... Values>
inline int HostShowMessageF(const char* title, const char* format, int style, Values... values) {
  return hostSlots.HostShowMessageF(title, format, style, values...);
}
template <typename... Values>
inline int HostFilePrintf(HostFile* file, const char* format, Values... values) {
  return hostSlots.HostFilePrintf(file, format, values...);
}
