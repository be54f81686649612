// The platform's module registry and loader for builds that are not Windows.
//
// A module is either registered by the program that contains it (the host emulator registers
// WARNIK with its ordinal table) or loaded from a file with LoadLibraryA, in which case the file
// provides its table through the symbols below and its DllMain is run with process attach; a
// DllMain that reports failure makes the load fail, as the Windows loader does.
#pragma once

#include "platform/win32.h"

#if !defined(_WIN32)
#include <cstddef>

extern "C" {

struct ModuleExport {
  unsigned ordinal;
  const char* name;  // may be null: exported by ordinal only
  void (*proc)();
};

// A loadable module defines these two symbols and DllMain.
#define PLATFORM_EXPORTS_SYMBOL "PlatformModuleExports"
#define PLATFORM_EXPORT_COUNT_SYMBOL "PlatformModuleExportCount"
#define PLATFORM_DLLMAIN_SYMBOL "DllMain"
typedef BOOL (*DllMainProc)(HINSTANCE instance, DWORD reason, LPVOID reserved);

// Registers a module of this program under a name (case-insensitive, as on Windows) with its
// ordinal table and the file name GetModuleFileNameA reports. Returns its handle.
HMODULE PlatformRegisterModule(const char* name, const ModuleExport* exports, std::size_t count,
                               const char* fileName);
void PlatformUnregisterModule(HMODULE module);

// Why the last LoadLibraryA failed, in words (GetLastError gives the Windows code).
const char* PlatformLastLoadError();

// MessageBoxA and Sleep hand over to the program that hosts the platform: the host emulator
// answers boxes from a script or the terminal and decides how long a wait really takes.
typedef int (*MessageBoxHandler)(HWND owner, const char* text, const char* caption, UINT type);
typedef void (*SleepHandler)(DWORD milliseconds);
void PlatformSetMessageBoxHandler(MessageBoxHandler handler);
void PlatformSetSleepHandler(SleepHandler handler);
}
#endif
