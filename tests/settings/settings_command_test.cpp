// warnik settings get|set: UTF-8 on the terminal, Mazovia in the file.
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"
#include "tools/commands.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class SettingsCommand : public testsupport::InProcessHost {
 protected:
  // Runs the command; its exit status, with what it printed on each stream.
  int Run(const std::vector<std::string>& words) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = RunSettingsCommand(words);
    out_ = testing::internal::GetCapturedStdout();
    err_ = testing::internal::GetCapturedStderr();
    return status;
  }
  std::string out_;
  std::string err_;
};

TEST_F(SettingsCommand, SetStoresPolishLettersInMazoviaAndGetShowsThemInUtf8) {
  WriteBytes("Kronilog.ini", "; sklep\n[ustawieniaRaportu]\nidPartnera=5\n");
  ASSERT_EQ(Run({"set", "ustawieniaraportu", "nazwaSklepu", "Złoty Kłos, Łódź"}), 0) << err_;
  EXPECT_EQ(ReadBytes("Kronilog.ini"),
            "; sklep\n[ustawieniaRaportu]\nidPartnera=5\n"
            "nazwaSklepu=Z\x92oty K\x92os, \x9C\xA2" "d\xA6\n");
  ASSERT_EQ(Run({"get", "ustawieniaRaportu", "nazwaSklepu"}), 0);
  EXPECT_EQ(out_, "Złoty Kłos, Łódź\n");
  EXPECT_EQ(host::JournalEntries().size(), 1u);
}

TEST_F(SettingsCommand, NewKnownKeysGetThePluginsSpelling) {
  ASSERT_EQ(Run({"set", "ODCZYTPARAGONOWZKAS", "kasa05", "0"}), 0) << err_;
  EXPECT_EQ(ReadBytes("Kronilog.ini"), "[odczytParagonowZKas]\nKasa05=0\n");
}

TEST_F(SettingsCommand, BadValuesAreRefusedAndNothingIsWritten) {
  WriteBytes("Kronilog.ini", "[odczytParagonowZKas]\nKasa01=1\n");
  const std::string before = ReadBytes("Kronilog.ini");
  EXPECT_EQ(Run({"set", "odczytParagonowZKas", "Kasa01", "tak"}), 1);
  EXPECT_NE(err_.find("whole number"), std::string::npos) << err_;
  EXPECT_EQ(Run({"set", "odczytParagonowZKas", "Kasa01", "40000"}), 1);
  EXPECT_EQ(Run({"set", "ustawieniaRaportu", "idPartnera", "3000000000"}), 1);
  EXPECT_EQ(Run({"set", "ustawieniaEmail", "haslo", std::string(50, 'x')}), 1);
  EXPECT_NE(err_.find("at most 49"), std::string::npos) << err_;
  EXPECT_EQ(Run({"set", "ustawieniaRaportu", "nazwaSklepu", "Sklep €"}), 1);
  EXPECT_EQ(Run({"set", "ustawieniaRaportu", "nazwaSklepu", "a\nb"}), 1);
  EXPECT_EQ(Run({"set", "a]", "k", "1"}), 1);
  EXPECT_EQ(ReadBytes("Kronilog.ini"), before);
  EXPECT_TRUE(host::JournalEntries().empty());
}

TEST_F(SettingsCommand, MissingThingsAndWrongWordsAreSaid) {
  EXPECT_EQ(Run({"get", "ustawieniaRaportu", "idPartnera"}), 1);
  EXPECT_NE(err_.find("not in this folder"), std::string::npos) << err_;
  WriteBytes("Kronilog.ini", "[ustawieniaRaportu]\nidPartnera=x\n");
  EXPECT_EQ(Run({"get", "ustawieniaEmail", "login"}), 1);
  EXPECT_NE(err_.find("no section"), std::string::npos) << err_;
  EXPECT_EQ(Run({"get", "ustawieniaRaportu", "nazwaSklepu"}), 1);
  EXPECT_NE(err_.find("no key"), std::string::npos) << err_;
  EXPECT_EQ(Run({"get", "ustawieniaRaportu", "idPartnera"}), 0);
  EXPECT_EQ(out_, "x\n");
  EXPECT_NE(err_.find("not a number"), std::string::npos) << err_;
  EXPECT_EQ(Run({"get", "ustawieniaRaportu"}), 2);
  EXPECT_EQ(Run({"put", "a", "b", "c"}), 2);
}

TEST_F(SettingsCommand, AKeyThePluginDoesNotReadIsWrittenWithANote) {
  ASSERT_EQ(Run({"set", "inne", "uwagi", "cokolwiek"}), 0);
  EXPECT_NE(err_.find("does not read"), std::string::npos) << err_;
  EXPECT_EQ(ReadBytes("Kronilog.ini"), "[inne]\nuwagi=cokolwiek\n");
}

}  // namespace
