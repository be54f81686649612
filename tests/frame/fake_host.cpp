#include "tests/frame/fake_host.h"

#include <utility>

#include "frame/entry_points.h"
#include "frame/host_binding.h"
#include "contract/host_types.h"
#include "frame/plugin_state.h"

namespace fake_host {
namespace {

std::vector<Box> boxes;
std::vector<unsigned> calls;
std::vector<std::pair<int, int>> conversions;
std::vector<int> pendingAnswers;
HMODULE registered;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  ret conv Fake_##name params {                                     \
    calls.push_back(ordinal);                                       \
    return {};                                                      \
  }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, ())
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
#pragma GCC diagnostic pop

int HOSTAPI RecordConversion(const char*, char*, int from, int to) {
  calls.push_back(52158);
  conversions.emplace_back(from, to);
  return 0;
}

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
  calls.clear();
  conversions.clear();
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
    if (entry.ordinal == 52158) entry.proc = reinterpret_cast<void (*)()>(&RecordConversion);
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
const std::vector<unsigned>& Calls() { return calls; }
const std::vector<std::pair<int, int>>& Conversions() { return conversions; }

}  // namespace fake_host
