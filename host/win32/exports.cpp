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

// C names carry a leading underscore on i686 and none on x86_64, where the target is read
// relative to the instruction.
#if defined(_WIN64)
#define WARNIK_VARIADIC_THUNK(name) \
  asm(".text\n.globl " #name "\n" #name ":\n\tjmp *warnikTarget_" #name "(%rip)\n");
#else
#define WARNIK_VARIADIC_THUNK(name) \
  asm(".text\n.globl _" #name "\n_" #name ":\n\tjmp *_warnikTarget_" #name "\n");
#endif
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args)
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) WARNIK_VARIADIC_THUNK(name)
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
