// The system's MessageBoxA and Sleep are the real ones on Win32: nothing to hand over.
#include "host/system/platform_handlers.h"

namespace host {

void InstallPlatformHandlers() {}

}  // namespace host
