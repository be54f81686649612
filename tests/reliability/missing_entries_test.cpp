// A host without one of its entries, each in turn, answered with Abort and with Ignore:
// Abort never loads the plug-in; Ignore loads it exactly when the entry's number gives a
// fallback (its last two digits: 99, or a multiple of 4 up to 56). A plug-in loaded on a
// fallback starts and stops without crashing and gives back every host block; its automatic
// export either refuses, naming the service, with nothing written or mailed, or, for the few
// services an export can do without, makes and mails the very report of a complete host.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Reliability = GoldenShopSession;

std::vector<unsigned> Ordinals() {
  std::vector<unsigned> ordinals;
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) ordinals.push_back(ordinal);
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) ordinals.push_back(ordinal);
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
  return ordinals;
}

// The services whose do-nothing stand-ins change nothing of the report, its making or its
// mailing: the host's state bit, a service never called, the boundary's random digits.
const std::set<unsigned> kExportDoesWithout = {32300, 32408, 52224, 51104};

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
    options.without.clear();
    if (without != 0) options.without.insert(without);
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
  ASSERT_EQ(ordinals.size(), static_cast<std::size_t>(kHostServiceCount));
  // What a complete host's automatic export writes.
  ASSERT_TRUE(Load(0, "abort"));
  session->Start();
  session->RunExport();
  session->Stop();
  session->Unload();
  session.reset();
  ASSERT_EQ(ReportFiles().size(), 1u);
  const std::string complete = ReadBytes(ReportFiles()[0]);
  ASSERT_NE(complete.find("<Transaction>"), std::string::npos);
  fs::remove_all("RAP_KART");
  fs::remove("Kronilog.ini");

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
    session->Start();
    session->RunExport();
    session->Notify(1);
    session->Stop();
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    session->Unload();
    session.reset();
    if (kExportDoesWithout.count(ordinal) != 0) {
      EXPECT_EQ(Events("mail").size(), 1u) << where;
      ASSERT_EQ(ReportFiles().size(), 1u) << where;
      EXPECT_EQ(ReadBytes(ReportFiles()[0]), complete) << where;
    } else {
      const auto alerts = Texts("alert");
      ASSERT_EQ(alerts.size(), 1u) << where;
      EXPECT_NE(alerts[0].find("\n" + std::to_string(ordinal) + " Host"), std::string::npos) << alerts[0];
      EXPECT_TRUE(ReportFiles().empty()) << where;
      EXPECT_TRUE(Events("mail").empty()) << where;
      EXPECT_FALSE(IniValue("Kronilog.ini", "danePomocnicze", "DataOstatniegoEksportu")) << where;
    }
    fs::remove_all("RAP_KART");
    fs::remove("Kronilog.ini");
  }
  EXPECT_GT(loadedOnFallback, 10);
}

}  // namespace
