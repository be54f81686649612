// The stand-in host in this process: the recording fake host (tests/support/recording_host.h)
// registered as module WARNIK with the platform's loader.
#include "tests/binding/fake_host.h"

#include <utility>

#include "entry/entry_points.h"
#include "binding/host_binding.h"
#include "binding/plugin_state.h"
#include "tests/support/recording_host.h"

namespace fake_host {
namespace {

#include "tests/support/recording_services.inc"

std::vector<Box> boxes;
std::vector<int> pendingAnswers;
HMODULE registered;

int AnswerBox(HWND, const char* text, const char* caption, UINT type) {
  boxes.push_back({text, caption, type});
  if (pendingAnswers.empty()) return IDABORT;
  int answer = pendingAnswers.front();
  pendingAnswers.erase(pendingAnswers.begin());
  return answer;
}

}  // namespace

void Install(const std::set<unsigned>& without, std::vector<int> answers) {
  Uninstall();
  boxes.clear();
  recording_host::Clear();
  pendingAnswers = std::move(answers);
  std::vector<ModuleExport> table;
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  table.push_back({ordinal, nullptr, reinterpret_cast<void (*)()>(&Fake_##name)});
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, ())
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
  std::erase_if(table, [&](const ModuleExport& entry) { return without.count(entry.ordinal) > 0; });
  for (ModuleExport& entry : table) {
    if (entry.ordinal == 52158) entry.proc = reinterpret_cast<void (*)()>(&recording_host::ConvertText);
  }
  registered = PlatformRegisterModule("WARNIK", table.data(), table.size(), "C:\\HOST\\WARNIK.EXE");
  PlatformSetMessageBoxHandler(&AnswerBox);
  ResetHostBinding();
  hostModule = nullptr;
  BindHostModule();
}

void Uninstall() {
  if (registered != nullptr) PlatformUnregisterModule(registered);
  registered = nullptr;
  PlatformSetMessageBoxHandler(nullptr);
}

const std::vector<Box>& Boxes() { return boxes; }
const std::vector<unsigned>& Calls() { return recording_host::Calls(); }
const std::vector<std::pair<int, int>>& Conversions() { return recording_host::Conversions(); }

}  // namespace fake_host
