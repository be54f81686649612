// Settings files the host cannot use, and writers in several processes at once.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <functional>

#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/settings/settings_service.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"
#include "tests/support/processes.h"

namespace {

using testsupport::Listing;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace fs = std::filesystem;

int Ini(int mode, const char* section, const char* key, const char* format, ...) {
  va_list value;
  va_start(value, format);
  int result = host::HostIniAccess("Kronilog.ini", mode, section, key, format, value);
  va_end(value);
  return result;
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string wide;
  for (char c : ascii) {
    wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return wide;
}

class UnusableSettings : public testsupport::InProcessHost {};

// What is not a settings file the host can read is refused with what it is, never waited on
// nor read without end, and a write leaves it exactly as it was: the plug-in's defaults never
// replace the shop's own file.
TEST_F(UnusableSettings, AreRefusedNamedAndLeftAsTheyAre) {
  const std::string settings = "[ustawieniaRaportu]\nidPartnera=4321\n";
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* said;  // in the reason
  };
  const Case cases[] = {
      {"a named pipe", [] { ASSERT_EQ(mkfifo("Kronilog.ini", 0644), 0); }, "named pipe"},
      {"a link to an endless device", [] { fs::create_symlink("/dev/zero", "Kronilog.ini"); }, "device"},
      {"a folder", [] { fs::create_directory("Kronilog.ini"); }, "is a folder"},
      {"a file of more than 1 MiB",
       [&] { WriteBytes("Kronilog.ini", settings + "; " + std::string(1 << 20, 'x') + "\n"); }, "larger than the 1 MiB"},
      {"UTF-16 LE", [&] { WriteBytes("Kronilog.ini", "\xFF\xFE" + Utf16(settings, false)); }, "UTF-16 LE"},
      {"UTF-16 BE", [&] { WriteBytes("Kronilog.ini", "\xFE\xFF" + Utf16(settings, true)); }, "UTF-16 BE"},
      {"UTF-16 LE without a mark", [&] { WriteBytes("Kronilog.ini", Utf16(settings, false)); }, "UTF-16 LE"},
      {"UTF-32 LE", [&] { WriteBytes("Kronilog.ini", std::string("\xFF\xFE\0\0", 4) + "x"); }, "UTF-32 LE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all("Kronilog.ini");
    c.make();
    const auto status = fs::symlink_status("Kronilog.ini");
    const std::string before = fs::is_regular_file(status) ? ReadBytes("Kronilog.ini") : std::string();
    host::Options loud;  // the terminal is watched
    host::ResetHost(loud);
    testing::internal::CaptureStdout();
    std::int32_t partner = 0;
    EXPECT_EQ(Ini(8, "ustawieniaRaportu", "idPartnera", "%ld", &partner), host::kIniNoFile);
    EXPECT_EQ(Ini(9, "ustawieniaRaportu", "idPartnera", "%ld", 1), host::kIniWriteFailed);
    EXPECT_EQ(Ini(9, "danePomocnicze", "OstatniOdczyt", "%s", "x"), host::kIniWriteFailed);
    const std::string terminal = testing::internal::GetCapturedStdout();

    EXPECT_EQ(fs::symlink_status("Kronilog.ini").type(), status.type());
    if (fs::is_regular_file(status)) {
      EXPECT_EQ(ReadBytes("Kronilog.ini"), before);
    }
    ASSERT_TRUE(host::SettingsFileRefusal().has_value());
    EXPECT_NE(host::SettingsFileRefusal()->find(c.said), std::string::npos) << *host::SettingsFileRefusal();
    EXPECT_EQ(host::JournalEntries().size(), 2u);
    for (const auto& event : host::JournalEntries()) EXPECT_EQ(event["event"], "settings-refused");
    EXPECT_EQ(std::count(terminal.begin(), terminal.end(), '\n'), 1) << terminal;  // told once
    EXPECT_NE(terminal.find(c.said), std::string::npos) << terminal;
    EXPECT_EQ(Listing(), "Kronilog.ini;");
  }
}

// Writers in several processes at once, each changing keys of its own: under the lock none
// reads the file before another's change and writes it back without it.
TEST_F(UnusableSettings, WritersInSeveralProcessesKeepEachOthersKeys) {
  constexpr int kWriters = 8;
  constexpr int kKeysEach = 25;
  EXPECT_TRUE(EachInAProcessOfItsOwn(kWriters, [&](int w) {
    int failed = 0;
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
      failed += Ini(9, "test", key.c_str(), "%d", k) != 0;
    }
    return failed == 0;
  }));
  int missing = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      short value = -1;
      const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
      missing += Ini(8, "test", key.c_str(), "%d", &value) != 0 || value != k;
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(Listing(), "Kronilog.ini;");  // the lock file goes with its last holder
}

}  // namespace
