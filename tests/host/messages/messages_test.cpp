// How the host shows its messages: markup, tab stops, notices and the journal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/messages/render.h"
#include "host/messages/message_services.h"
#include "host/all_services.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/support/host_fixture.h"

namespace {

using host::RenderMessage;
using Lines = std::vector<std::string>;

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

TEST(RenderMessage, SetsNamesAndKeysApart) {
  EXPECT_EQ(RenderMessage("W module \x02" "C:\\a.dll\x01\nbrak wpisu \x02" "52028\x01"),
            (Lines{"W module «C:\\a.dll»", "brak wpisu «52028»"}));
  EXPECT_EQ(RenderMessage("\x05" "F12\x01 - zapis"), (Lines{"[F12] - zapis"}));
  // A stray \x01 shows nothing; other control characters are dropped; letters are converted.
  EXPECT_EQ(RenderMessage("a\x01" "b\x03\r\nB\x92\x86" "d"), (Lines{"ab", "Błąd"}));
}

TEST(RenderMessage, LaysOutTheTableLayoutReportColumns) {
  Lines lines = RenderMessage(
      "Rozmiary:\n\n\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n"
      "\x01tp25p40\x01Tspr\t1268\t1270\n"
      "\x01tp25p40\x01Tspr_kor_dok\t256\tbrak\n"
      "\x01tp25p40\x01" "d_dek\t2618\t-25536\n"
      "\nModu\x92 wtyczki \x02kronilog.so\x01\nNIE zostanie za\x92" "adowany!");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "Rozmiary:");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "TABELA" + Spaces(12) + "WE WTYCZCE" + Spaces(5) + "W PROGRAMIE");
  // Right-aligned stops: the plug-in's size ends at column 25, the host's at column 40.
  EXPECT_EQ(lines[3], "Tspr" + Spaces(17) + "1268" + Spaces(11) + "1270");
  EXPECT_EQ(lines[4], "Tspr_kor_dok" + Spaces(10) + "256" + Spaces(11) + "brak");
  EXPECT_EQ(lines[5], "d_dek" + Spaces(16) + "2618" + Spaces(9) + "-25536");
  EXPECT_EQ(lines[7], "Moduł wtyczki «kronilog.so»");
  EXPECT_EQ(lines[8], "NIE zostanie załadowany!");
}

TEST(RenderMessage, TabStopsLastUntilTheNextDirectiveAndOverflowGracefully) {
  EXPECT_EQ(RenderMessage("\x01tl5\x01" "a\tb\nc\td"), (Lines{"a    b", "c    d"}));
  // No stop ahead: the next multiple of 8. A Polish letter is one column.
  EXPECT_EQ(RenderMessage("\x92\tx\tyz\ty"), (Lines{"ł       x       yz      y"}));
  EXPECT_EQ(RenderMessage("\x01tl3\x01" "abcd\te"), (Lines{"abcd    e"}));
  // Text too wide for a right-aligned stop keeps one blank before it.
  EXPECT_EQ(RenderMessage("\x01tp6\x01" "ab\t12345678"), (Lines{"ab 12345678"}));
  // A directive without its closing \x01 is no directive.
  EXPECT_EQ(RenderMessage("\x01tl5 x"), (Lines{"tl5 x"}));
}

class Messages : public testsupport::InProcessHost {};

TEST_F(Messages, JournalsTheTextWithItsMarkupInUtf8) {
  host::HostShowMessage("Uwaga", "\x02" "B\x92\x86" "d\x01\tx", 1);
  auto shown = Events("message");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]["title"], "Uwaga");
  EXPECT_EQ(shown[0]["text"], "\x02" "Błąd\x01\tx");
  EXPECT_EQ(shown[0]["style"], 1);
  EXPECT_TRUE(host::OpenNotices().empty());
}

TEST_F(Messages, NoticesStayOpenUntilClosedNewestFirst) {
  host::HostShowMessage("Uwaga", "pierwszy", 512);
  host::HostShowMessageF("Uwaga2", "drugi %d", 512, 2);
  ASSERT_EQ(host::OpenNotices().size(), 2u);
  EXPECT_EQ(host::OpenNotices()[1].text, "drugi 2");
  EXPECT_EQ(host::HostCloseMessage(), 0);
  EXPECT_EQ(host::HostCloseMessage(), 0);
  EXPECT_EQ(host::HostCloseMessage(), -1);
  auto closed = Events("close-message");
  ASSERT_EQ(closed.size(), 3u);
  EXPECT_EQ(closed[0]["title"], "Uwaga2");
  EXPECT_EQ(closed[1]["title"], "Uwaga");
  EXPECT_EQ(closed[2]["closed"], false);
  EXPECT_TRUE(host::OpenNotices().empty());
}

TEST_F(Messages, FormattedMessagesAreCompleteWhateverTheirLength) {
  std::string name(10000, 'x');
  host::HostShowMessageF("STOP!!!", "Modu\x92 \"%s\" i \"%s\"", 0xC001, name.c_str(), "b");
  auto shown = Events("message");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]["text"], "Moduł \"" + name + "\" i \"b\"");
  EXPECT_EQ(shown[0]["style"], 0xC001);
}

void ShowV(const char* title, const char* format, int style, ...) {
  va_list values;
  va_start(values, style);
  host::HostShowMessageV(0, title, format, style, values);
  va_end(values);
}

TEST_F(Messages, ArgumentListsAndAlertsAreJournalled) {
  ShowV("uwaga", "B\x92\x86" "d otwarcia pliku:%s", 1, "RAP_KART\\H0001.xml");
  host::HostAlert("Za\x92" "adowano");
  auto shown = Events("message");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]["text"], "Błąd otwarcia pliku:RAP_KART\\H0001.xml");
  auto alerts = Events("alert");
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]["text"], "Załadowano");
}

TEST_F(Messages, ANewSessionForgetsOpenNotices) {
  host::HostShowMessage("Uwaga", "x", 512);
  SetUp();
  EXPECT_TRUE(host::OpenNotices().empty());
  EXPECT_TRUE(host::JournalEntries().empty());
}

}  // namespace
