// WARNIK.dll's export table: one plain C routine per host service, named as the module
// definition file names it (made from the same list by cmake/warnik_exports.cmake), carrying
// the call on to the emulator's service. A stdcall thunk gets its name@bytes decoration from
// the compiler, so a signature that does not match the .def file fails the link.
//
// The two services with a variable argument list cannot be forwarded in C++: their thunks are
// a single jump to the service, which leaves the caller's arguments exactly where they were.
#include "host/all_services.h"

extern "C" {

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  ret conv name params { return host::name args; }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params)
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args)
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  extern ret(conv* const warnikTarget_##name) params = &host::name;
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

}  // extern "C"

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args)
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  asm(".text\n"                                                         \
      ".globl _" #name "\n"                                             \
      "_" #name ":\n"                                                   \
      "\tjmp *_warnikTarget_" #name "\n");
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
