// Plug-in sessions inside this process: each one loads its own fresh copy of the plug-in.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/forms/menus.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"

namespace {

int Count(const std::string& kind) {
  int n = 0;
  for (const auto& event : host::JournalEntries()) n += event.value("event", "") == kind;
  return n;
}

host::Options Quiet() {
  host::Options options;
  options.quietTerminal = true;
  options.instantSleep = true;
  return options;
}

TEST(PluginSession, StartsAndStopsAPrivateCopy) {
  host::ResetHost(Quiet());
  std::filesystem::path copy;
  {
    host::PluginSession session;
    std::string reason;
    ASSERT_TRUE(session.Load(&reason)) << reason;
    copy = session.loadedPath();
    EXPECT_NE(copy, host::DefaultPluginPath());
    EXPECT_EQ(copy.filename(), host::DefaultPluginPath().filename());
    EXPECT_NE(GetModuleHandleA("WARNIK"), nullptr);
    EXPECT_EQ(session.Start(), 0);
    EXPECT_EQ(session.displayName(), "'Raport Kronilog'");
    ASSERT_EQ(host::MenuItems().size(), 1u);
    EXPECT_EQ(host::MenuItems()[0].id, host::kExportMenuEntryId);
    EXPECT_EQ(session.Notify(0), 0);
    EXPECT_EQ(session.Stop(), 0);
    EXPECT_TRUE(host::MenuItems().empty());
    EXPECT_EQ(session.PickMenuEntry(), std::nullopt);
  }  // the destructor unloads
  EXPECT_EQ(GetModuleHandleA("WARNIK"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_EQ(Count("box"), 0);
}

TEST(PluginSession, EverySessionStartsWithAFreshPlugIn) {
  // The first session answers Ignore, which the plug-in remembers for as long as it is loaded.
  host::Options first = Quiet();
  first.without = {30908};
  first.answers = {"ignore"};
  host::ResetHost(first);
  {
    host::PluginSession session;
    std::string reason;
    ASSERT_TRUE(session.Load(&reason)) << reason;
    EXPECT_EQ(Count("box"), 1);
  }
  // A fresh plug-in asks again, and with no answer left the box is answered Abort.
  host::Options second = Quiet();
  second.without = {30204, 30908};
  host::ResetHost(second);
  host::PluginSession session;
  std::string reason;
  EXPECT_FALSE(session.Load(&reason));
  EXPECT_NE(reason.find("did not load"), std::string::npos) << reason;
  ASSERT_EQ(Count("box"), 1);
  for (const auto& event : host::JournalEntries()) {
    if (event["event"] == "box") {
      EXPECT_EQ(event["answer"], "abort");
    }
  }
  EXPECT_FALSE(session.loaded());
  EXPECT_EQ(GetModuleHandleA("WARNIK"), nullptr);
}

TEST(PluginSession, AMissingPlugInIsAOneLineReason) {
  host::ResetHost(Quiet());
  host::PluginSession session("/nonexistent/kronilog.so");
  std::string reason;
  EXPECT_FALSE(session.Load(&reason));
  EXPECT_EQ(reason, "no plug-in file at /nonexistent/kronilog.so");
  EXPECT_EQ(session.Start(), -1);
  EXPECT_EQ(session.RunExport(), -1);
  EXPECT_EQ(session.PickMenuEntry(), std::nullopt);
  EXPECT_EQ(GetModuleHandleA("WARNIK"), nullptr);
}

}  // namespace
