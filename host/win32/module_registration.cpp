// Module WARNIK on Win32 is this DLL, found by the real loader; its export table holds every
// service by ordinal (host/win32/exports.cpp). A host lacking some services (--without) has
// their entries emptied for the session and given back when it ends.
#include <vector>

#include "host/system/module_registration.h"

#include "host/session/session_options.h"
#include "host/win32/export_table.h"

namespace host {
namespace {

struct EmptiedEntry {
  DWORD* entry;
  DWORD value;
};

std::vector<EmptiedEntry>& Emptied() {
  static std::vector<EmptiedEntry> emptied;
  return emptied;
}

}  // namespace

HMODULE RegisterWarnikModule() {
  UnregisterWarnikModule();
  HMODULE module = win32::ThisModule();
  for (unsigned ordinal : options().without) {
    DWORD* entry = win32::ExportEntry(module, ordinal);
    if (entry == nullptr || *entry == 0) continue;
    const DWORD value = *entry;
    if (win32::SetExportEntry(entry, 0)) Emptied().push_back({entry, value});
  }
  return module;
}

void UnregisterWarnikModule() {
  for (const EmptiedEntry& emptied : Emptied()) win32::SetExportEntry(emptied.entry, emptied.value);
  Emptied().clear();
}

}  // namespace host
