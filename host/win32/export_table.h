// The export address table of a loaded module, as GetProcAddress reads it: an entry that is
// zero leads nowhere, and GetProcAddress gives null for its ordinal. The Win32 host uses this
// to play a host program that lacks some services (--without), and the frame tests to play a
// stand-in host without some entries.
#pragma once

#include <windows.h>

namespace host::win32 {

// The table entry of an ordinal; null when the module has no such ordinal.
inline DWORD* ExportEntry(HMODULE module, unsigned ordinal) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0) return nullptr;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  if (ordinal < exports->Base || ordinal - exports->Base >= exports->NumberOfFunctions) return nullptr;
  return reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions) + (ordinal - exports->Base);
}

// Writes an entry (the loader maps the table read-only); false when the page cannot be made
// writable.
inline bool SetExportEntry(DWORD* entry, DWORD value) {
  DWORD old = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return false;
  *entry = value;
  VirtualProtect(entry, sizeof *entry, old, &old);
  return true;
}

// The module this code is linked into.
inline HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

}  // namespace host::win32
