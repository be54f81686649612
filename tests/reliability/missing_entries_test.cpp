// A host without one of its 53 entries, each in turn, answered with Abort and with Ignore:
// Abort never loads the plug-in; Ignore loads it exactly when the entry's number gives a
// fallback (its last two digits: 99, or a multiple of 4 up to 56). A plug-in loaded on a
// fallback starts, exports and stops without crashing, and gives back every host block.
#include <filesystem>
#include <string>
#include <vector>

#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/reliability/support.h"

namespace {

namespace fs = std::filesystem;
using namespace reliability;

std::vector<unsigned> Ordinals() {
  std::vector<unsigned> ordinals;
#define HOST_SERVICE(slot, ordinal, name, conv, ret, params, args) ordinals.push_back(ordinal);
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, conv, ret, params) ordinals.push_back(ordinal);
#include "frame/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
  return ordinals;
}

bool HasFallback(unsigned ordinal) {
  unsigned r = ordinal % 100;
  return r == 99 || (r % 4 == 0 && r <= 56);
}

class MissingEntries : public Reliability {
 protected:
  void TearDown() override {
    if (session) session->Unload();
    session.reset();
    Reliability::TearDown();
  }
  bool Load(unsigned without, const std::string& answer) {
    options.without = {without};
    options.answers = {answer};
    host::ResetHost(options);
    session = std::make_unique<host::PluginSession>();
    std::string reason;
    bool loaded = session->Load(&reason);
    if (!loaded) session.reset();
    return loaded;
  }
  std::unique_ptr<host::PluginSession> session;
};

TEST_F(MissingEntries, EachEntryMissingInTurnWithAbortAndWithIgnore) {
  const auto ordinals = Ordinals();
  ASSERT_EQ(ordinals.size(), 53u);
  int loadedOnFallback = 0;
  for (unsigned ordinal : ordinals) {
    const std::string where = "without " + std::to_string(ordinal);
    EXPECT_FALSE(Load(ordinal, "abort")) << where;
    auto boxes = Events("box");
    ASSERT_FALSE(boxes.empty()) << where;
    EXPECT_NE(boxes.back().value("text", "").find(" " + std::to_string(ordinal) + " "), std::string::npos) << where;

    const bool loaded = Load(ordinal, "ignore");
    EXPECT_EQ(loaded, HasFallback(ordinal)) << where;
    if (!loaded) continue;
    ++loadedOnFallback;
    // Whatever the missing service does not do, the plug-in runs its export to the end.
    session->Start();
    session->RunExport();
    session->Notify(1);
    session->Stop();
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    session->Unload();
    session.reset();
    fs::remove_all("RAP_KART");
  }
  EXPECT_GT(loadedOnFallback, 10);
}

}  // namespace
