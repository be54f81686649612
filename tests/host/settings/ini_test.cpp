// The host's settings service on a real Kronilog.ini.
#include <signal.h>
#include <sys/wait.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <regex>

#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/all_services.h"
#include "contract/settings_keys.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"
#include "tests/support/processes.h"

namespace {

using testsupport::Listing;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

int Ini(int mode, const char* section, const char* key, const char* format, ...) {
  va_list value;
  va_start(value, format);
  int result = host::HostIniAccess("Kronilog.ini", mode, section, key, format, value);
  va_end(value);
  return result;
}

class IniFile : public testsupport::InProcessHost {};

TEST_F(IniFile, WritesCreateFileSectionsAndKeysThatReadBack) {
  EXPECT_EQ(Ini(9, "ustawieniaRaportu", "nazwaSklepu", "%s", "Sklep \x9C" "a"), 0);
  EXPECT_EQ(Ini(9, "ustawieniaRaportu", "idPartnera", "%ld", 123456789), 0);
  EXPECT_EQ(Ini(9, "odczytParagonowZKas", "Kasa01", "%d", -1), 0);
  EXPECT_EQ(ReadBytes("Kronilog.ini"),
            "[ustawieniaRaportu]\nnazwaSklepu=Sklep \x9C" "a\nidPartnera=123456789\n\n"
            "[odczytParagonowZKas]\nKasa01=-1\n");

  char text[100] = "";
  std::int32_t partner = 0;
  short flag = 0;
  EXPECT_EQ(Ini(8, "ustawieniaRaportu", "nazwaSklepu", "%s", text), 0);
  EXPECT_STREQ(text, "Sklep \x9C" "a");
  EXPECT_EQ(Ini(8, "ustawieniaRaportu", "idPartnera", "%ld", &partner), 0);
  EXPECT_EQ(partner, 123456789);
  EXPECT_EQ(Ini(8, "odczytParagonowZKas", "Kasa01", "%d", &flag), 0);
  EXPECT_EQ(flag, -1);
}

TEST_F(IniFile, WritesKeepEveryOtherLineAsItWas) {
  const std::string before =
      "; ustawienia sklepu\r\n"
      "[ustawieniaRaportu]\r\n"
      "idPartnera = 7   \r\n"
      "  # wpis recznie\r\n"
      "nieznany=cos tam\r\n"
      "\r\n"
      "[inna]\r\n"
      "x=1";
  WriteBytes("Kronilog.ini", before);
  EXPECT_EQ(Ini(9, "USTAWIENIARAPORTU", "IDPARTNERA", "%ld", 42), 0);
  EXPECT_EQ(Ini(9, "ustawieniaRaportu", "nazwaSklepu", "%s", "abc"), 0);
  EXPECT_EQ(Ini(9, "inna", "y", "%s", "2"), 0);
  EXPECT_EQ(Ini(9, "nowa", "z", "%d", 3), 0);
  EXPECT_EQ(ReadBytes("Kronilog.ini"),
            "; ustawienia sklepu\r\n"
            "[ustawieniaRaportu]\r\n"
            "idPartnera = 42\r\n"
            "  # wpis recznie\r\n"
            "nieznany=cos tam\r\n"
            "nazwaSklepu=abc\r\n"
            "\r\n"
            "[inna]\r\n"
            "x=1\r\n"
            "y=2\r\n"
            "\r\n"
            "[nowa]\r\n"
            "z=3\r\n");
}

TEST_F(IniFile, FirstSectionAndFirstKeyCountAndNamesIgnoreCase) {
  WriteBytes("Kronilog.ini", "[A]\nk=1\nk=2\n[a]\nk=3\nm=4\n");
  short value = 0;
  EXPECT_EQ(Ini(8, "a", "K", "%d", &value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(Ini(8, "a", "m", "%d", &value), 3);  // only in the second [a]
  EXPECT_EQ(Ini(9, "a", "k", "%d", 9), 0);
  EXPECT_EQ(ReadBytes("Kronilog.ini"), "[A]\nk=9\nk=2\n[a]\nk=3\nm=4\n");
}

TEST_F(IniFile, ReadsReportWhatIsMissingOrUnparsableAndLeaveTheDestination) {
  short value = 77;
  char text[16] = "stare";
  EXPECT_EQ(Ini(8, "s", "k", "%d", &value), host::kIniNoFile);
  WriteBytes("Kronilog.ini",
             "[s]\nk=12x\npusty=\nplus=+5\nminus=-5\nzle=+-5\nduzy=99999999999999999999\n"
             "tekst= \" z odstepami \" \n");
  EXPECT_EQ(Ini(8, "t", "k", "%d", &value), host::kIniNoSection);
  EXPECT_EQ(Ini(8, "s", "brak", "%s", text), host::kIniNoKey);
  EXPECT_EQ(Ini(8, "s", "k", "%d", &value), host::kIniBadNumber);
  EXPECT_EQ(Ini(8, "s", "pusty", "%d", &value), host::kIniBadNumber);
  EXPECT_EQ(Ini(8, "s", "zle", "%d", &value), host::kIniBadNumber);
  EXPECT_EQ(Ini(8, "s", "duzy", "%ld", &value), host::kIniBadNumber);
  EXPECT_EQ(value, 77);
  EXPECT_STREQ(text, "stare");

  EXPECT_EQ(Ini(8, "s", "plus", "%d", &value), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(Ini(8, "s", "minus", "%d", &value), 0);
  EXPECT_EQ(value, -5);
  EXPECT_EQ(Ini(8, "s", "pusty", "%s", text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Ini(8, "s", "tekst", "%s", text), 0);
  EXPECT_STREQ(text, " z odstepami ");
}

TEST_F(IniFile, ShortReadsStoreSixteenBitsAndLongReadsThirtyTwo) {
  WriteBytes("Kronilog.ini", "[s]\na=65537\nb=65535\nc=-32769\nd=4294967297\ne=-1\n");
  struct {
    short value;
    short next;
  } slots[3];
  const std::pair<const char*, short> shorts[] = {{"a", 1}, {"b", -1}, {"c", 32767}};
  for (int i = 0; i < 3; ++i) {
    slots[i] = {0, 0x5A5A};
    EXPECT_EQ(Ini(8, "s", shorts[i].first, "%d", &slots[i].value), 0);
    EXPECT_EQ(slots[i].value, shorts[i].second) << shorts[i].first;
    EXPECT_EQ(slots[i].next, 0x5A5A) << "a 16-bit read wrote past its slot";
  }
  std::int32_t wide[2] = {0, 0x5A5A5A5A};
  EXPECT_EQ(Ini(8, "s", "d", "%ld", &wide[0]), 0);
  EXPECT_EQ(wide[0], 1);
  EXPECT_EQ(Ini(8, "s", "e", "%ld", &wide[0]), 0);
  EXPECT_EQ(wide[0], -1);
  EXPECT_EQ(wide[1], 0x5A5A5A5A);
}

TEST_F(IniFile, QuotedAndSpacedTextsRoundTrip) {
  for (const char* value : {"  Sklep  ", "\"cytat\"", "a=b;c", "", "\x86\x8D\x91\x92"}) {
    char text[100] = "x";
    ASSERT_EQ(Ini(9, "s", "k", "%s", value), 0);
    ASSERT_EQ(Ini(8, "s", "k", "%s", text), 0);
    EXPECT_STREQ(text, value);
  }
}

TEST_F(IniFile, RefusesWhatCannotBeKeptAndChangesNothing) {
  WriteBytes("Kronilog.ini", "[s]\nk=1\n");
  short value = 0;
  EXPECT_EQ(Ini(9, "s", "k", "%s", "dwie\nlinie"), host::kIniBadValue);
  EXPECT_EQ(Ini(9, "s", "k", "%s", "x\r"), host::kIniBadValue);
  EXPECT_EQ(Ini(9, "s]", "k", "%d", 1), host::kIniBadRequest);
  EXPECT_EQ(Ini(9, "s", "k=2", "%d", 1), host::kIniBadRequest);
  EXPECT_EQ(Ini(9, "s", "", "%d", 1), host::kIniBadRequest);
  EXPECT_EQ(Ini(9, "s", "k", "%x", 1), host::kIniBadRequest);
  EXPECT_EQ(Ini(9, "s", "k", "%s", static_cast<const char*>(nullptr)), host::kIniBadRequest);
  EXPECT_EQ(Ini(7, "s", "k", "%d", &value), host::kIniBadRequest);
  EXPECT_EQ(Ini(8, "s", "k", "%d", static_cast<short*>(nullptr)), host::kIniBadRequest);
  EXPECT_EQ(ReadBytes("Kronilog.ini"), "[s]\nk=1\n");
}

// A hand-edited value longer than its reader's field is cut to the field, for every text key
// of the table: the destination is exactly the field's size, so AddressSanitizer sees any
// byte past it.
TEST_F(IniFile, LongTextValuesAreCutToTheirReadersField) {
  const std::string longValue(5000, 'W');
  int textKeys = 0;
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& entry = kSettingKeys[i];
    if (std::strcmp(entry.format, kFormatText) == 0) {
      ASSERT_EQ(host::WriteSettingText("Kronilog.ini", entry.section, entry.key, longValue), 0);
    }
  }
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& entry = kSettingKeys[i];
    if (std::strcmp(entry.format, kFormatText) != 0) continue;
    ++textKeys;
    auto field = std::make_unique<char[]>(static_cast<std::size_t>(entry.fieldSize));
    ASSERT_EQ(Ini(8, entry.section, entry.key, "%s", field.get()), 0) << entry.key;
    EXPECT_EQ(std::string(field.get()), longValue.substr(0, entry.fieldSize - 1)) << entry.key;
  }
  EXPECT_EQ(textKeys, 9);

  // A key the host does not know is cut to 99 bytes.
  WriteBytes("Kronilog.ini", "[inna]\nopis=" + longValue + "\n");
  auto field = std::make_unique<char[]>(host::kUnknownKeyTextLimit + 1);
  ASSERT_EQ(Ini(8, "inna", "opis", "%s", field.get()), 0);
  EXPECT_EQ(std::strlen(field.get()), static_cast<std::size_t>(host::kUnknownKeyTextLimit));
}

// The host's knowledge of the keys and the plug-in's key table must agree.
TEST(KnownSettings, MatchThePluginsKeyTable) {
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& entry = kSettingKeys[i];
    const SettingKey* known = host::FindKnownSetting(entry.section, entry.key);
    ASSERT_NE(known, nullptr) << entry.key;
    EXPECT_STREQ(known->format, entry.format) << entry.key;
    const bool readAsText = std::strcmp(entry.format, kFormatText) == 0 || std::strcmp(entry.key, kPartnerIdKey.key) == 0;
    EXPECT_EQ(host::TextLimit(*known), readAsText ? entry.fieldSize - 1 : 0) << entry.key;
  }
  EXPECT_EQ(host::FindKnownSetting("ustawieniaRaportu", "wykluczonaGrupa1"), nullptr);
  EXPECT_EQ(host::SettingTextLimit("USTAWIENIAEMAIL", "HOSTSMTP"), 199);
  EXPECT_EQ(host::SettingTextLimit("danePomocnicze", "DataNieudanejProby"), 11);
}

TEST_F(IniFile, WritesAreJournalledInUtf8) {
  ASSERT_EQ(Ini(9, "ustawieniaRaportu", "nazwaSklepu", "%s", "\x9C\xA2" "d\xA7"), 0);
  ASSERT_EQ(Ini(9, "odczytParagonowZKas", "Kasa02", "%d", 0), 0);
  const auto& events = host::JournalEntries();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], (nlohmann::json{{"event", "settings-write"},
                                       {"section", "ustawieniaRaportu"},
                                       {"key", "nazwaSklepu"},
                                       {"value", "Łódż"}}));
  EXPECT_EQ(events[1]["value"], "0");
}

// A write that fails at any byte of the new file leaves the old file as it was, and no
// stray file beside it.
TEST_F(IniFile, AWriteInterruptedAtAnyPointLeavesTheOldFileIntact) {
  const std::string before = "; komentarz\n[s]\nk=stara wartosc\nnieznany=1\n";
  WriteBytes("Kronilog.ini", before);
  const std::string listing = Listing();
  const long newSize = static_cast<long>(before.size()) + 4;  // "stara wartosc" -> 17 chars
  for (long cut = 0; cut < newSize; ++cut) {
    host::FailSettingsWritesAfter(cut);
    ASSERT_EQ(Ini(9, "s", "k", "%s", "nowa wartosc 1234"), host::kIniWriteFailed) << cut;
    ASSERT_EQ(ReadBytes("Kronilog.ini"), before) << cut;
    ASSERT_EQ(Listing(), listing) << cut;
  }
  host::FailSettingsWritesAfter(-1);
  EXPECT_EQ(Ini(9, "s", "k", "%s", "nowa wartosc 1234"), 0);
  EXPECT_EQ(ReadBytes("Kronilog.ini"), "; komentarz\n[s]\nk=nowa wartosc 1234\nnieznany=1\n");
  EXPECT_TRUE(host::JournalEntries().size() == 1);
}

// A writer killed at random moments: whatever is left is always one whole version.
TEST_F(IniFile, AWriterKilledMidWriteNeverLeavesAPartialFile) {
  const std::string padding(200000, 'p');
  auto version = [&](int n) {
    return "; naglowek\n[s]\nnumer=" + std::to_string(n) + "\nbalast=" + padding + "\nkoniec=1\n";
  };
  WriteBytes("Kronilog.ini", version(0));
  std::mt19937 random(12345);
  for (int round = 0; round < 16; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int n = 1;; ++n) Ini(9, "s", "numer", "%ld", n);
    }
    usleep(1000 + random() % 40000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    std::string content = ReadBytes("Kronilog.ini");
    std::int32_t number = -1;
    ASSERT_EQ(Ini(8, "s", "numer", "%ld", &number), 0);
    ASSERT_EQ(content, version(number)) << "round " << round;
  }
  // A later write clears away what the killed writers left beside the file.
  ASSERT_EQ(Ini(9, "s", "numer", "%ld", 99), 0);
  EXPECT_EQ(ReadBytes("Kronilog.ini"), version(99));
  EXPECT_EQ(Listing(), "Kronilog.ini;");
}

}  // namespace

namespace {

// Whatever its line ends, a file reads the same, blanks around names and values are noise, and
// a write keeps the file's own line ends: a value the user wrote never turns into a default.
TEST_F(IniFile, EveryLineEndReadsTheSameAndWritesKeepIt) {
  for (const std::string end : {"\n", "\r\n", "\r\r\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(end));
    const std::string before = "[ustawieniaRaportu]" + end + " idPartnera = 1234\t" + end +
                               "[ odczytParagonowZKas ]" + end + "\tKasa05 =0 " + end;
    WriteBytes("Kronilog.ini", before);
    std::int32_t partner = 0;
    short register5 = 1;
    EXPECT_EQ(Ini(8, "ustawieniaRaportu", "idPartnera", "%ld", &partner), 0);
    EXPECT_EQ(partner, 1234);
    EXPECT_EQ(Ini(8, "odczytParagonowZKas", "Kasa05", "%d", &register5), 0);
    EXPECT_EQ(register5, 0);
    EXPECT_EQ(Ini(9, "ustawieniaRaportu", "nazwaSklepu", "%s", "Sklep"), 0);
    EXPECT_EQ(ReadBytes("Kronilog.ini"), "[ustawieniaRaportu]" + end + " idPartnera = 1234\t" + end +
                                           "nazwaSklepu=Sklep" + end + "[ odczytParagonowZKas ]" +
                                           end + "\tKasa05 =0 " + end);
  }
}

// Sessions writing the file at once: each write is whole and none is refused because another
// session's temporary file went away under it.
TEST_F(IniFile, WritersAtOnceEachLeaveAWholeFile) {
  const char* keys[] = {"a", "b"};
  EXPECT_TRUE(EachInAProcessOfItsOwn(2, [&](int writer) {
    int failed = 0;
    for (int i = 0; i < 200; ++i) failed += Ini(9, "test", keys[writer], "%d", i) != 0;
    return failed == 0;
  }));
  const std::string content = ReadBytes("Kronilog.ini");
  EXPECT_TRUE(std::regex_match(content, std::regex("\\[test\\]\n([ab]=[0-9]+\n){1,2}"))) << content;
  EXPECT_NE(content.find("=199\n"), std::string::npos) << content;
  EXPECT_EQ(Listing(), "Kronilog.ini;");
}

}  // namespace
