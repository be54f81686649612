// The binding tests' stand-in host (tests/binding/fake_host.h) under Wine: the real loader has
// loaded the stand-in WARNIK.dll beside this program, and the plug-in code in this program
// binds it with the real GetModuleHandleA and GetProcAddress. Ordinals are left out by
// emptying their export entries; the plug-in's MessageBoxA is answered from the test's
// script through this program's import entry.
#include "tests/binding/fake_host.h"

#include <windows.h>

#include <utility>

#include "entry/entry_points.h"
#include "binding/host_binding.h"
#include "contract/host_types.h"
#include "binding/plugin_state.h"
#include "host/win32/export_table.h"

extern "C" {
__declspec(dllimport) void StandInClear();
__declspec(dllimport) std::size_t StandInCallCount();
__declspec(dllimport) unsigned StandInCall(std::size_t i);
__declspec(dllimport) std::size_t StandInConversionCount();
__declspec(dllimport) void StandInConversion(std::size_t i, int* from, int* to);
__declspec(dllimport) int HOSTAPI StandInConvertText(const char*, char*, int, int);
// This program's import entry of MessageBoxA, through which the plug-in code calls it.
#if defined(_WIN64)
extern void* messageBoxImport asm("__imp_MessageBoxA");
#else
extern void* messageBoxImport asm("__imp__MessageBoxA@16");
#endif
}

namespace fake_host {
namespace {

std::vector<Box> boxes;
std::vector<unsigned> calls;
std::vector<std::pair<int, int>> conversions;
std::vector<int> pendingAnswers;
std::vector<std::pair<DWORD*, DWORD>> changedEntries;
void* systemMessageBox;

int WINAPI AnswerBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  boxes.push_back({text, caption, type});
  if (pendingAnswers.empty()) return IDABORT;
  int answer = pendingAnswers.front();
  pendingAnswers.erase(pendingAnswers.begin());
  return answer;
}

void SetImport(void* routine) {
  DWORD old = 0;
  VirtualProtect(&messageBoxImport, sizeof messageBoxImport, PAGE_READWRITE, &old);
  messageBoxImport = routine;
  VirtualProtect(&messageBoxImport, sizeof messageBoxImport, old, &old);
}

void ChangeEntry(HMODULE module, unsigned ordinal, DWORD value) {
  DWORD* entry = host::win32::ExportEntry(module, ordinal);
  if (entry == nullptr) return;
  changedEntries.emplace_back(entry, *entry);
  host::win32::SetExportEntry(entry, value);
}

}  // namespace

void Install(const std::set<unsigned>& without, std::vector<int> answers) {
  Uninstall();
  boxes.clear();
  StandInClear();
  pendingAnswers = std::move(answers);
  HMODULE module = GetModuleHandleA("WARNIK");
  const auto base = reinterpret_cast<std::uintptr_t>(module);
  ChangeEntry(module, 52158, static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&StandInConvertText) - base));
  for (unsigned ordinal : without) ChangeEntry(module, ordinal, 0);
  if (systemMessageBox == nullptr) systemMessageBox = messageBoxImport;
  SetImport(reinterpret_cast<void*>(&AnswerBox));
  ResetHostBinding();
  hostModule = nullptr;
  BindHostModule();
}

void Uninstall() {
  for (auto it = changedEntries.rbegin(); it != changedEntries.rend(); ++it) {
    host::win32::SetExportEntry(it->first, it->second);
  }
  changedEntries.clear();
  if (systemMessageBox != nullptr) SetImport(systemMessageBox);
}

const std::vector<Box>& Boxes() { return boxes; }

const std::vector<unsigned>& Calls() {
  calls.clear();
  for (std::size_t i = 0; i < StandInCallCount(); ++i) calls.push_back(StandInCall(i));
  return calls;
}

const std::vector<std::pair<int, int>>& Conversions() {
  conversions.clear();
  for (std::size_t i = 0; i < StandInConversionCount(); ++i) {
    int from = 0;
    int to = 0;
    StandInConversion(i, &from, &to);
    conversions.emplace_back(from, to);
  }
  return conversions;
}

}  // namespace fake_host
