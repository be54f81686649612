// Program information, menus and tables.
#include <gtest/gtest.h>

#include <cstring>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/forms/menus.h"
#include "host/all_services.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "host/tables/tables.h"
#include "host/tables/table_store.h"
#include "tests/support/host_fixture.h"

namespace {

class Services : public testsupport::InProcessHost {};

TEST_F(Services, BuildDatesCompareAsTheDaysDo) {
  unsigned required = host::HostBuildDate("Mar 11 2008");
  EXPECT_EQ(required, 20080311u);
  EXPECT_EQ(host::HostBuildDate("Mar 11 2008"), required);
  EXPECT_LT(host::HostBuildDate("Mar 10 2008"), required);
  EXPECT_LT(host::HostBuildDate("Dec 31 2007"), required);
  EXPECT_GT(host::HostBuildDate("Apr  1 2008"), required);  // the compiler pads the day
  EXPECT_GT(host::HostBuildDate("Jan  1 2009"), required);
  EXPECT_EQ(host::HostBuildDate("Feb 29 2008"), 20080229u);
}

TEST_F(Services, ANullBuildDateIsTheHostsOwn) {
  EXPECT_EQ(host::HostBuildDate(nullptr), host::HostBuildDate(options.buildDate.c_str()));
  EXPECT_GT(host::HostBuildDate(nullptr), 20080311u);
  options.buildDate = "Mar 10 2008";
  StartSession();
  EXPECT_EQ(host::HostBuildDate(nullptr), 20080310u);
}

TEST_F(Services, TextThatIsNoBuildDateGivesZero) {
  for (const char* text : {"", "Mar 11", "Mar 11 2008x", "Mrz 11 2008", "mar 11 2008", "Feb 29 2007",
                           "Mar 32 2008", "Mar 0 2008", "11 Mar 2008", "Mar 11 08", " Mar 11 2008"}) {
    EXPECT_EQ(host::HostBuildDate(text), 0u) << '"' << text << '"';
  }
}

short actionCalls;
short CountingAction() { return ++actionCalls; }

TEST_F(Services, MenuEntriesAreCopiedListedPickedAndRemoved) {
  char caption[] = "Eksport sprzeda\xA7y";
  MenuEntry entry{0x400C, 0, caption, 0x7F10, 0, &CountingAction, 0};
  EXPECT_EQ(host::HostAddMenuItem(&entry), 0);
  std::strcpy(caption, "changed");  // the host keeps its own copy of the caption
  ASSERT_EQ(host::MenuItems().size(), 1u);
  EXPECT_EQ(host::MenuItems()[0].code, 0x400Cu);
  EXPECT_EQ(host::MenuItems()[0].text, "Eksport sprzeda\xA7y");

  actionCalls = 0;
  EXPECT_EQ(host::PickMenuItem(0x7F10), std::optional<short>(1));
  EXPECT_EQ(host::PickMenuItem(0x7F11), std::nullopt);

  // The same record again replaces the entry instead of doubling it.
  EXPECT_EQ(host::HostAddMenuItem(&entry), 0);
  EXPECT_EQ(host::MenuItems().size(), 1u);

  EXPECT_EQ(host::HostRemoveMenuItem(0x7F10), 0);
  EXPECT_TRUE(host::MenuItems().empty());
  EXPECT_EQ(host::HostRemoveMenuItem(0x7F10), -1);
  EXPECT_EQ(host::PickMenuItem(0x7F10), std::nullopt);
  EXPECT_EQ(actionCalls, 1);
  EXPECT_EQ(host::HostAddMenuItem(nullptr), -1);

  const auto& events = host::JournalEntries();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0]["event"], "menu-add");
  EXPECT_EQ(events[0]["text"], "Eksport sprzedaży");
  EXPECT_EQ(events[0]["id"], 0x7F10);
  EXPECT_EQ(events[2]["event"], "menu-remove");
  EXPECT_EQ(events[2]["removed"], true);
  EXPECT_EQ(events[3]["removed"], false);
}

std::int16_t SizeField(void* descriptor) {
  std::int16_t size;
  std::memcpy(&size, static_cast<char*>(descriptor) + kDescriptorRecordSizeOffset, sizeof size);
  return size;
}

TEST_F(Services, TablesReportTheirBuiltInRecordSizes) {
  const std::pair<int, int> tables[] = {{59, 2618}, {44, 1268}, {45, 515}, {46, 736}, {47, 256}};
  for (auto [number, size] : tables) {
    void* descriptor = host::HostOpenTable(number);
    ASSERT_NE(descriptor, nullptr) << number;
    EXPECT_EQ(SizeField(descriptor), size);
    EXPECT_EQ(host::HostOpenTable(number), descriptor);  // one descriptor per table
    EXPECT_EQ(host::RecordBufferSize(number), static_cast<std::size_t>(size));
    auto* table = static_cast<host::TableDescriptor*>(descriptor);
    EXPECT_NE(table->recordBuffer, nullptr);
    table->recordBuffer[size - 1] = 1;  // the whole record is there
  }
  EXPECT_EQ(host::HostOpenTable(43), nullptr);
  EXPECT_EQ(host::RecordBufferSize(43), 0u);
}

TEST_F(Services, TableSizesAndMissingTablesFollowTheOptions) {
  options.tableSizes = {{44, 1270}, {45, 40000}, {46, 10}};
  options.noTables = {47};
  StartSession();
  EXPECT_EQ(SizeField(host::HostOpenTable(44)), 1270);
  EXPECT_EQ(SizeField(host::HostOpenTable(45)), -25536);  // the 16-bit field wraps
  EXPECT_EQ(host::RecordBufferSize(45), 40000u);
  EXPECT_EQ(SizeField(host::HostOpenTable(46)), 10);
  EXPECT_EQ(host::RecordBufferSize(46), 736u);  // never smaller than the real layout
  EXPECT_EQ(host::HostOpenTable(47), nullptr);
  EXPECT_EQ(SizeField(host::HostOpenTable(59)), 2618);

  StartSession({});
  EXPECT_EQ(SizeField(host::HostOpenTable(44)), 1268);
  EXPECT_NE(host::HostOpenTable(47), nullptr);
}

// The services the plug-in never calls are stubs: each journals its call with its arguments
// and returns 0, and touches nothing it is given.
TEST_F(Services, TheServicesThePlugInNeverCallsAreJournalledStubs) {
  char text[16] = "#";
  const unsigned char bytes[] = {0x00, 0x9C, 0xFF};
  EXPECT_EQ(host::HostUnused38417(), 0);
  EXPECT_EQ(host::HostUnused52224(2008, 2, 29, 23, 59, -1), 0);
  EXPECT_EQ(host::HostUnused52466(), 0);
  EXPECT_EQ(host::HostBufferToText(text, bytes, 3), 0);
  EXPECT_EQ(host::HostBufferToText(nullptr, nullptr, -1), 0);
  EXPECT_STREQ(text, "#");
  const auto& calls = host::JournalEntries();
  ASSERT_EQ(calls.size(), 5u);
  const char* names[] = {"HostUnused38417", "HostUnused52224", "HostUnused52466", "HostBufferToText",
                         "HostBufferToText"};
  const int ordinals[] = {38417, 52224, 52466, 51617, 51617};
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i]["event"], "stub") << i;
    EXPECT_EQ(calls[i]["service"], names[i]) << i;
    EXPECT_EQ(calls[i]["ordinal"], ordinals[i]) << i;
  }
  EXPECT_EQ(calls[1]["arguments"], (nlohmann::json{{"argument1", 2008}, {"argument2", 2}, {"argument3", 29},
                                                   {"argument4", 23}, {"argument5", 59}, {"argument6", -1}}));
  EXPECT_EQ(calls[3]["arguments"], (nlohmann::json{{"text", "pointer"}, {"buffer", "pointer"}, {"length", 3}}));
  EXPECT_EQ(calls[4]["arguments"], (nlohmann::json{{"text", nullptr}, {"buffer", nullptr}, {"length", -1}}));
}

}  // namespace
