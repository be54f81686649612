// The host session's options and the reset of every part of the host's state.
#include "host/session/session_options.h"

#include <algorithm>
#include <vector>

#include "host/session/journal.h"
#include "host/system/platform_handlers.h"

namespace host {
namespace {

struct Session {
  Options options;
  std::vector<void (*)()> resets;
};

Session& State() {
  static Session session;
  return session;
}

}  // namespace

Options& options() { return State().options; }

void OnHostReset(void (*reset)()) {
  auto& resets = State().resets;
  if (std::find(resets.begin(), resets.end(), reset) == resets.end()) resets.push_back(reset);
}

void ResetHost(const Options& newOptions) {
  Session& session = State();
  session.options = newOptions;
  RestartJournal(newOptions.journalFile);
  for (auto reset : session.resets) reset();
  InstallPlatformHandlers();
}

}  // namespace host
