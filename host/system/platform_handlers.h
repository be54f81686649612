// What the host does for the plug-in's own calls of the platform (MessageBoxA and Sleep).
// The native build hands them to the emulator; on Win32 they are the system's own.
#pragma once

namespace host {

void InstallPlatformHandlers();

}  // namespace host
