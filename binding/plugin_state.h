// Plug-in-wide state: set at load and at start-up, alive as long as the library.
#pragma once

#include "platform/win32.h"

extern HINSTANCE ownInstance;
extern char ownModulePath[300];
extern HMODULE hostModule;

// "'Raport Kronilog'" with its terminating zero (18 bytes) into the caller's buffer.
char* GetPluginDisplayName(char* buffer);
inline constexpr char kPluginDisplayName[] = "'Raport Kronilog'";
