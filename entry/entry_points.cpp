// The library's load notification and the three entries the host calls by number.
#include <cstring>

#include "export/export_run.h"
#include "entry/entry_points.h"
#include "binding/host_api.h"
#include "binding/host_binding.h"
#include "binding/plugin_state.h"
#include "entry/table_layout.h"
#include "platform/win32.h"

namespace {

constexpr char kMenuCaption[] = "Eksport sprzeda\xA7y do Kronilog";
constexpr char kRequiredHostBuild[] = "Mar 11 2008";
constexpr char kHostTooOld[] =
    "Do poprawnego dzia\x92" "ania wtyczki potrzebna jest nowsza wersja programu Targomir";

constexpr std::uint16_t kMenuCode = 0x400C;
constexpr std::uint16_t kMenuEntryId = 0x7F10;

// Static, so the host may keep a pointer to it for as long as the library is loaded.
MenuEntry menuEntry = {kMenuCode, 0, kMenuCaption, kMenuEntryId, 0, &RunExportFromMenu, 0};

// Entry 30009 does nothing until the plug-in has started.
bool started;

}  // namespace

void BindHostModule() {
  if (hostModule != nullptr) return;
  hostModule = GetModuleHandleA("WARNIK");
}

void OnLibraryLoad(HINSTANCE instance) {
  ownInstance = instance;
  GetModuleFileNameA(ownInstance, ownModulePath, sizeof ownModulePath);
  ownModulePath[sizeof ownModulePath - 1] = '\0';
  BindHostModule();
}

int PluginStartup() {
  unsigned int required = HostBuildDate(kRequiredHostBuild);
  unsigned int actual = HostBuildDate(nullptr);
  if (actual < required) {
    HostAlert(kHostTooOld);
    return -1;
  }
  RegisterTableSizes();
  HostAddMenuItem(&menuEntry);
  started = true;
  return 0;
}

int PluginShutdown() {
  HostRemoveMenuItem(static_cast<unsigned int>(kMenuEntryId));
  return 0;
}

extern "C" {

int PLUGINAPI PluginMain(void* hostEntry, char* nameBuffer) {
  if (hostEntry == nullptr) return PluginShutdown();
  if (nameBuffer != nullptr) GetPluginDisplayName(nameBuffer);
  return PluginStartup();
}

int PLUGINAPI PluginNotify(int flag) {
  if (flag != 0) ShowTableLayoutReport();
  return 0;
}

int PluginAutomaticExport() { return started ? RunAutomaticExport() : 0; }

// Process attach: the load notification, then the binding of every host service. A host
// lacking a service that cannot be replaced makes the load fail.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  OnLibraryLoad(instance);
  return BindAllHostServices() == 0 ? TRUE : FALSE;
}

}  // extern "C"
