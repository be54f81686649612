// The plug-in's exports (entry/exports.inc lists them by ordinal) and its start and stop.
#pragma once

#include "contract/host_types.h"
#include "platform/win32.h"

#if defined(_WIN32)
#define PLUGIN_VISIBLE
#else
#define PLUGIN_VISIBLE __attribute__((visibility("default")))
#endif

extern "C" {
int PLUGINAPI PluginMain(void* hostEntry, char* nameBuffer);  // 30001: start, or stop when null
int PLUGINAPI PluginNotify(int flag);                         // 30008: layout report when set
int PluginAutomaticExport();                                  // 30009: the automatic export
PLUGIN_VISIBLE BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

void OnLibraryLoad(HINSTANCE instance);
void BindHostModule();
int PluginStartup();
int PluginShutdown();
