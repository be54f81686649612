// The binding of host services at load, against a stand-in WARNIK in this process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "binding/host_api.h"
#include "binding/host_binding.h"
#include "binding/plugin_state.h"
#include "tests/binding/fake_host.h"

namespace {

class Binding : public ::testing::Test {
 protected:
  void TearDown() override { fake_host::Uninstall(); }
  static int BoxCount() { return static_cast<int>(fake_host::Boxes().size()); }
  static std::string BoxText(int i = 0) { return fake_host::Boxes().at(i).text; }
};

TEST_F(Binding, AHostWithEveryEntryBindsWithoutAMessage) {
  fake_host::Install({});
  EXPECT_EQ(BindAllHostServices(), 0);
  EXPECT_EQ(BoxCount(), 0);
  HostAlert("x");
  HostFilePrintf(nullptr, "%s", "y");
  EXPECT_EQ(fake_host::Calls(), (std::vector<unsigned>{52030, 52541}));
}

TEST_F(Binding, TheFirstMissingEntryInSlotOrderIsReportedAndAbortEndsTheLoad) {
  // 52030 is slot 19, 52028 slot 1: the box names 52028, and nothing after it is probed.
  fake_host::Install({52030, 52028}, {IDABORT});
  EXPECT_EQ(BindAllHostServices(), -1);
  ASSERT_EQ(BoxCount(), 1);
  EXPECT_NE(BoxText().find("brak wpisu  52028 \n"), std::string::npos) << BoxText();
  EXPECT_EQ(BoxText().find("52030"), std::string::npos);
}

TEST_F(Binding, ProbesStopAtTheFirstEmptySlot) {
  // Slot 2 (52029) has no fallback: after Ignore the load still fails there, and a later
  // missing entry with a fallback (30908, slot 26) is never reached.
  fake_host::Install({52029, 30908}, {IDIGNORE});
  EXPECT_EQ(BindAllHostServices(), -1);
  EXPECT_EQ(BoxCount(), 1);
  EXPECT_NE(BoxText().find("52029"), std::string::npos);
  EXPECT_EQ(ignoreMissingEntries, 1);
}

TEST_F(Binding, RetryShowsTheSameBoxAgainUntilAnotherAnswer) {
  fake_host::Install({30908}, {IDRETRY, IDRETRY, IDRETRY, IDIGNORE});
  EXPECT_EQ(BindAllHostServices(), 0);
  ASSERT_EQ(BoxCount(), 4);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(BoxText(i), BoxText(0));
  EXPECT_EQ(ignoreMissingEntries, 1);
}

TEST_F(Binding, AfterIgnoreFurtherMissingEntriesFallBackSilently) {
  fake_host::Install({30908, 41399, 52256}, {IDIGNORE});
  EXPECT_EQ(BindAllHostServices(), 0);
  EXPECT_EQ(BoxCount(), 1);
  // The fallbacks do nothing and give 0; the host's routines are not reached.
  EXPECT_EQ(HostCompareDates("01.01.26", "02.01.26"), 0);
  EXPECT_EQ(HostOpenTable(44), nullptr);
  EXPECT_TRUE(fake_host::Calls().empty() ||
              std::find(fake_host::Calls().begin(), fake_host::Calls().end(), 30908u) ==
                  fake_host::Calls().end());
}

TEST_F(Binding, AMissingEntryWithoutFallbackEndsTheLoadEvenAfterIgnore) {
  fake_host::Install({52030}, {IDIGNORE});
  EXPECT_EQ(BindAllHostServices(), -1);
  EXPECT_EQ(BoxCount(), 1);
}

TEST_F(Binding, TheBoxIsConvertedForThePlatformAndMarkupBecomesBlanks) {
  fake_host::Install({52028}, {IDABORT});
  BindAllHostServices();
  ASSERT_EQ(BoxCount(), 1);
  const fake_host::Box& box = fake_host::Boxes()[0];
  EXPECT_EQ(box.type, 0x2012u);
  EXPECT_EQ(box.caption, "POWA\xA1NY B\x9C\x8F" "D WTYCZKI");  // the stand-in converts nothing
  EXPECT_EQ(box.text.find('\x01'), std::string::npos);
  EXPECT_EQ(box.text.find('\x02'), std::string::npos);
  EXPECT_NE(box.text.find("Wywo\x92" "ano z wtyczki  'Raport Kronilog' .\n"), std::string::npos);
  // Text, then title, each converted in place from Mazovia to the Windows code page.
  EXPECT_EQ(fake_host::Conversions(),
            (std::vector<std::pair<int, int>>{{1, 3}, {1, 3}}));
}

TEST_F(Binding, AMissingConversionServiceIsNeverCalledThroughItsEmptySlot) {
  fake_host::Install({52158}, {IDIGNORE});
  EXPECT_EQ(BindAllHostServices(), -1);  // 52158 has no fallback
  EXPECT_EQ(BoxCount(), 1);
  EXPECT_TRUE(fake_host::Conversions().empty());
}

TEST_F(Binding, AReportResolvesTheConversionServiceBeforeItsOwnProbe) {
  fake_host::Install({52028, 52158}, {IDIGNORE, IDABORT});
  // 52028's report needs 52158, which is missing too: that one is reported first, inside the
  // first report, and the box of 52028 then shows its texts unconverted.
  EXPECT_EQ(BindAllHostServices(), -1);
  ASSERT_EQ(BoxCount(), 2);
  EXPECT_NE(BoxText(0).find("52158"), std::string::npos);
  EXPECT_NE(BoxText(1).find("52028"), std::string::npos);
  EXPECT_TRUE(fake_host::Conversions().empty());
}

TEST_F(Binding, TheModulePathAndAnOverlongEntryNameAreCutToTheirRoom) {
  fake_host::Install({}, {IDABORT, IDABORT});
  std::string longPath(400, 'p');
  std::string longName(300, 'n');
  EXPECT_EQ(ReportMissingHostEntry(longName.c_str(), longPath.c_str()), 0);
  ASSERT_EQ(BoxCount(), 1);
  EXPECT_NE(BoxText().find(" " + std::string(299, 'p') + " \n"), std::string::npos);
  EXPECT_NE(BoxText().find(" " + std::string(103, 'n') + " \n"), std::string::npos);
}

TEST_F(Binding, AFirstCallResolvesItsSlotAndCarriesTheCallOn) {
  fake_host::Install({});
  HostAlert("before any probe");
  HostShowMessageF("t", "%d-%s", 1, 7, "x");
  EXPECT_EQ(fake_host::Calls(), (std::vector<unsigned>{52030, 52029}));
  EXPECT_EQ(BoxCount(), 0);
}

struct FallbackCase {
  const char* key;
  int ordinal;  // used when key is null
  int expected;
};

// The table states each service's fallback. Hosts were built against the rule that a number's
// last two digits give its argument bytes (99 for a variable list), so the table must agree
// with it for every service; a number the table lacks is no service and gets none.
TEST(ChooseFallback, NumbersTakeTheFallbackTheTableStates) {
  const FallbackCase cases[] = {
      {nullptr, 30908, 2}, {nullptr, 52030, -1}, {nullptr, 41399, 0}, {nullptr, 52028, 7},
      {nullptr, 52029, -1}, {nullptr, 52256, 14}, {nullptr, 51636, 9}, {nullptr, 30204, 1},
      {nullptr, 52000, -1}, {nullptr, 52056, -1},  // no services of the table
  };
  for (const FallbackCase& c : cases) {
    EXPECT_EQ(ChooseFallback(MAKEINTRESOURCEA(c.ordinal)), c.expected) << c.ordinal;
  }
  auto byDigits = [](unsigned ordinal) {
    const unsigned r = ordinal % 100;
    return r == 99 ? 0 : (r % 4 != 0 || r > 56) ? -1 : static_cast<int>(r / 4);
  };
#define HOST_SERVICE(slot, ordinal, name, fallback, ...) \
  EXPECT_EQ(fallback, byDigits(ordinal)) << #name;
#define HOST_SERVICE_VARIADIC HOST_SERVICE
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
}

TEST(ChooseFallback, NamesUseTheNumberAfterTheirLastAt) {
  const FallbackCase cases[] = {
      {"_HostRead@12", 0, 3}, {"Host@60", 0, -1}, {"Host", 0, 0},      {"Host@x12", 0, 0},
      {"a@8@6", 0, 1},        {"Host@56", 0, 14}, {"Host@", 0, 0},     {"Host@0", 0, 0},
      {"Host@99999999999999999999", 0, -1},       {"Host@13abc", 0, 3},
  };
  for (const FallbackCase& c : cases) EXPECT_EQ(ChooseFallback(c.key), c.expected) << c.key;
}

}  // namespace
