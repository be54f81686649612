// Module WARNIK in the native build: the emulator's ordinal table of every host service,
// made from the same list as the plug-in's slots, registered with the platform's module
// registry by ordinal only, as the host program exports them. A host lacking some services
// (--without) leaves their ordinals out.
#include "host/system/module_registration.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "host/all_services.h"
#include "host/session/session_options.h"
#include "platform/module_registry.h"

namespace host {
namespace {

const ModuleExport kAllServices[] = {
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  {ordinal, nullptr, reinterpret_cast<void (*)()>(&host::name)},
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  {ordinal, nullptr, reinterpret_cast<void (*)()>(&host::name)},
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
};
static_assert(sizeof kAllServices / sizeof kAllServices[0] == kHostServiceCount);

struct Registration {
  HMODULE handle = nullptr;
  std::vector<ModuleExport> exports;
  std::string fileName;
};

Registration& State() {
  static Registration registration;
  return registration;
}

// The host program's own file, as GetModuleFileNameA reports the host module.
std::string OwnFileName() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "warnik";
  return std::string(path, static_cast<std::size_t>(length));
}

}  // namespace

HMODULE RegisterWarnikModule() {
  UnregisterWarnikModule();
  Registration& registration = State();
  registration.exports.clear();
  for (const ModuleExport& service : kAllServices) {
    if (options().without.count(service.ordinal) == 0) registration.exports.push_back(service);
  }
  registration.fileName = OwnFileName();
  registration.handle = PlatformRegisterModule("WARNIK", registration.exports.data(),
                                               registration.exports.size(),
                                               registration.fileName.c_str());
  return registration.handle;
}

void UnregisterWarnikModule() {
  Registration& registration = State();
  if (registration.handle != nullptr) PlatformUnregisterModule(registration.handle);
  registration.handle = nullptr;
}

}  // namespace host
