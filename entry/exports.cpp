// The native build's ordinal table, read by the platform's loader; on Win32 the same list
// becomes the module definition file instead, and this file is not built.
#include "entry/entry_points.h"
#include "platform/module_registry.h"

extern "C" {

PLUGIN_VISIBLE extern const ModuleExport PlatformModuleExports[];
PLUGIN_VISIBLE extern const std::size_t PlatformModuleExportCount;

#define PLUGIN_EXPORT(ordinal, routine, convention) \
  {ordinal, nullptr, reinterpret_cast<void (*)()>(&routine)},
const ModuleExport PlatformModuleExports[] = {
#include "entry/exports.inc"
};
#undef PLUGIN_EXPORT

const std::size_t PlatformModuleExportCount = sizeof PlatformModuleExports / sizeof PlatformModuleExports[0];

}  // extern "C"
