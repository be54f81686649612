// The plug-in's entries as the host calls them: a fresh copy of the plug-in for every test,
// loaded by the emulator with its journal.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "platform/win32.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Entries : public ::testing::Test {
 protected:
  void SetUp() override {
    options.journalFile = folder / "journal.jsonl";
    options.quietTerminal = true;
    options.instantSleep = true;
  }
  void TearDown() override {
    if (session) session->Unload();
    session.reset();
  }

  void Load() {
    host::ResetHost(options);
    session = std::make_unique<host::PluginSession>();
    session->freshCopy = true;
    std::string reason;
    ASSERT_TRUE(session->Load(&reason)) << reason;
  }

  // The raw entry, for calls with arguments the session does not make.
  template <typename Entry>
  Entry EntryPoint(unsigned ordinal) {
    HMODULE module = GetModuleHandleA("kronilog.so");
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
  }

  // The events of one kind, or all that the plug-in caused (not the session's reading of the
  // shop before the plug-in is loaded).
  std::vector<json> Events(const std::string& kind = "") const {
    std::vector<json> events;
    std::ifstream in(options.journalFile);
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) continue;
      json event = json::parse(line);
      const std::string name = event.value("event", "");
      if (kind.empty() ? name != "shop" : name == kind) events.push_back(event);
    }
    return events;
  }

  std::string OnlyReportText() const {
    auto messages = Events("message");
    EXPECT_EQ(messages.size(), 1u);
    return messages.empty() ? "" : messages[0].value("text", "");
  }

  testsupport::WorkFolder work_;
  const fs::path folder = work_.path();
  host::Options options;
  std::unique_ptr<host::PluginSession> session;
};

using StartEntry = int(PLUGINAPI*)(void*, char*);

TEST_F(Entries, StartWritesTheDisplayNameOfExactly18BytesAndRegistersTheMenuEntry) {
  Load();
  char name[32];
  std::memset(name, 'X', sizeof name);
  int dummyHostEntry = 0;
  EXPECT_EQ(EntryPoint<StartEntry>(30001)(&dummyHostEntry, name), 0);
  EXPECT_EQ(std::memcmp(name, "'Raport Kronilog'\0X", 19), 0);
  auto added = Events("menu-add");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].value("id", 0), 0x7F10);
  EXPECT_EQ(added[0].value("text", ""), "Eksport sprzedaży do Kronilog");
}

TEST_F(Entries, StartWithoutANameBufferStillStarts) {
  Load();
  int dummyHostEntry = 0;
  EXPECT_EQ(EntryPoint<StartEntry>(30001)(&dummyHostEntry, nullptr), 0);
  EXPECT_EQ(Events("menu-add").size(), 1u);
}

TEST_F(Entries, AnOlderHostIsRefusedAfterTheNameIsWritten) {
  options.buildDate = "Mar 10 2008";
  Load();
  char name[32] = {};
  int dummyHostEntry = 0;
  EXPECT_EQ(EntryPoint<StartEntry>(30001)(&dummyHostEntry, name), -1);
  EXPECT_STREQ(name, "'Raport Kronilog'");
  auto alerts = Events("alert");
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].value("text", ""),
            "Do poprawnego działania wtyczki potrzebna jest nowsza wersja programu Targomir");
  EXPECT_TRUE(Events("menu-add").empty());
  // Not started: the automatic export has nothing to run.
  EXPECT_EQ(session->RunExport(), 0);
}

TEST_F(Entries, AHostBuiltOnTheRequiredDayIsAccepted) {
  options.buildDate = "Mar 11 2008";
  Load();
  EXPECT_EQ(session->Start(), 0);
}

TEST_F(Entries, StopBeforeAnyStartRemovesTheEntryAndSucceeds) {
  Load();
  EXPECT_EQ(session->Stop(), 0);
  auto removed = Events("menu-remove");
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].value("id", 0), 0x7F10);
}

TEST_F(Entries, TheAutomaticExportRunsOnlyAfterAStartAndStillAfterAStop) {
  Load();
  EXPECT_EQ(session->RunExport(), 0);
  EXPECT_TRUE(Events().empty());
  ASSERT_EQ(session->Start(), 0);
  ASSERT_EQ(session->Stop(), 0);
  std::size_t before = Events().size();
  session->RunExport();
  EXPECT_GT(Events().size(), before);
}

TEST_F(Entries, NotifyWithZeroDoesNothing) {
  Load();
  EXPECT_EQ(session->Notify(0), 0);
  EXPECT_TRUE(Events().empty());
}

TEST_F(Entries, AReportWithMatchingSizesSaysTheVersionsDiffer) {
  Load();
  ASSERT_EQ(session->Start(), 0);
  EXPECT_EQ(session->Notify(1), 0);
  auto messages = Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].value("title", ""), "STOP!!!");
  EXPECT_EQ(messages[0].value("style", 0), 0xC001);
  EXPECT_EQ(messages[0].value("text", ""),
            "Moduł \"'Raport Kronilog'\" i program występują w różnych wersjach!\n\n"
            "Został zakualizowany tylko program albo tylko moduł,\n"
            "a nie oba jednocześnie! Aby naprawić tę sytuację\n"
            "zainstaluj aktualizację programu wraz z modułem \"'Raport Kronilog'\".\n\n"
            "MODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n");
}

TEST_F(Entries, AReportBeforeAnyStartIsTheGeneralOne) {
  Load();
  EXPECT_EQ(session->Notify(7), 0);
  EXPECT_NE(OnlyReportText().find("w różnych wersjach"), std::string::npos);
}

TEST_F(Entries, TheLayoutReportListsDifferingTablesInOrderOfChecking) {
  options.tableSizes = {{44, 1270}, {59, 40000}};
  options.noTables = {47};
  Load();
  ASSERT_EQ(session->Start(), 0);
  ASSERT_EQ(session->Start(), 0);  // a second start-up lists nothing twice
  session->Notify(1);
  EXPECT_EQ(OnlyReportText(),
            "Rozmiary rekordów niektórych tabel nie zgadzają się\n"
            "między programem a wtyczką \"'Raport Kronilog'\":\n\n"
            "\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n"
            "\x01tp25p40\x01" "d_dek\t2618\t-25536\n"
            "\x01tp25p40\x01Tspr\t1268\t1270\n"
            "\x01tp25p40\x01Tspr_kor_dok\t256\tbrak\n"
            "\nModuł wtyczki \x02kronilog.so\x01\nNIE zostanie załadowany!");
}

TEST_F(Entries, ThePlugInKeepsWorkingAfterAReport) {
  options.tableSizes = {{45, 514}};
  Load();
  ASSERT_EQ(session->Start(), 0);
  session->Notify(1);
  session->Notify(1);
  auto messages = Events("message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], messages[1]);
  EXPECT_EQ(session->Stop(), 0);
}

TEST_F(Entries, ALoadFailsWhenAnEntryWithoutFallbackIsMissing) {
  options.without = {52029};
  options.answers = {"ignore"};
  host::ResetHost(options);
  session = std::make_unique<host::PluginSession>();
  session->freshCopy = true;
  std::string reason;
  EXPECT_FALSE(session->Load(&reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(Events("box").size(), 1u);
  session.reset();
}

TEST_F(Entries, IgnoredEntriesWithFallbacksLoadAfterOneBox) {
  options.without = {30908, 41399};
  options.answers = {"ignore"};
  Load();
  auto boxes = Events("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].value("text", "").find("brak wpisu  41399 "), std::string::npos);
  EXPECT_EQ(session->Start(), 0);
  session->Notify(1);
  EXPECT_EQ(Events("message").size(), 1u);
}

}  // namespace
