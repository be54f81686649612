// A settings file that cannot be written, cannot be read, or holds garbage: the export goes
// on with the defaults, and the file is never cut short by the plug-in or the host.
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "export/export_run.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "settings/settings.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::IniValue;
using testsupport::ReadBytes;
using testsupport::ReportFiles;
using testsupport::WellFormed;
using testsupport::WriteBytes;
using Reliability = testsupport::GoldenShopSession;

std::set<std::string> Listing() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename().string());
  return names;
}

class SettingsFaults : public Reliability {
 protected:
  // The export with the defaults: partner 1, so the report is H0001_...; every default used.
  void ExpectExportWithDefaults(const std::string& where) {
    auto reports = ReportFiles();
    ASSERT_EQ(reports.size(), 1u) << where;
    EXPECT_EQ(reports[0].filename(), "H0001_20260315102030.xml") << where;
    std::string report = ReadBytes(reports[0]);
    EXPECT_TRUE(WellFormed(report)) << where;
    ASSERT_EQ(Events("mail").size(), 1u) << where;
    EXPECT_EQ(Events("mail")[0].value("server", ""), kMailServerKey.defaultText) << where;
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
  }
};

TEST_F(SettingsFaults, WritesCutShortAtAnyPointLeaveTheOldFileWhole) {
  // The writer dies (a full disk, a killed host) after 0, 1, 50 ... bytes of each new file:
  // the old file stays as it was, no stray file is left, the export uses what it read.
  const std::string before = ReadBytes(fs::path(KRONILOG_SOURCE_DIR) / "tests/export/data/golden_Kronilog.ini");
  for (long cut : {0L, 1L, 50L, 150L}) {
    const std::string where = "cut after " + std::to_string(cut);
    FreshFolder();
    WriteBytes("Kronilog.ini", before);
    host::FailSettingsWritesAfter(cut);
    EXPECT_EQ(RunAutomaticExport(), 1) << where;
    EXPECT_EQ(ReadBytes("Kronilog.ini"), before) << where;
    auto names = Listing();
    for (const auto& name : names) {
      EXPECT_TRUE(name == "Kronilog.ini" || name == "RAP_KART" || name == "message.eml" ||
                  name == "tempatach1.txt" || name == "outbox" ||
                  name == "Kronilog.log" || name == "Kronilog.lock")
          << where << ": " << name;
    }
    EXPECT_EQ(ReportFiles().size(), 1u) << where;
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    host::FailSettingsWritesAfter(-1);
  }
}

TEST_F(SettingsFaults, UnreadableFileGivesEveryReaderItsDefault) {
  // Kronilog.ini is a folder: nothing can be read from it nor written to it.
  fs::create_directory("Kronilog.ini");
  EXPECT_EQ(RunAutomaticExport(), 1);
  ExpectExportWithDefaults("unreadable");
  EXPECT_TRUE(fs::is_directory("Kronilog.ini"));
  // Nothing could be stored, so the next call exports again rather than losing a day.
  host::ResetHost(options);
  EXPECT_EQ(RunAutomaticExport(), 1);
  EXPECT_EQ(Events("mail").size(), 1u);
}

TEST_F(SettingsFaults, GarbageIsKeptAndEveryReaderFallsBackToItsDefault) {
  std::mt19937 random(42);
  std::string garbage;
  for (int i = 0; i < 4096; ++i) {
    char c = static_cast<char>(random() % 256);
    if (c == '[' || c == '=') c = '#';  // no section and no key by chance
    garbage += c;
  }
  garbage += "\n";
  WriteBytes("Kronilog.ini", garbage);
  EXPECT_EQ(RunAutomaticExport(), 1);
  ExpectExportWithDefaults("garbage");
  const std::string after = ReadBytes("Kronilog.ini");
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);  // the garbage is kept, keys come after
  EXPECT_EQ(IniValue("Kronilog.ini", kSectionReport, "idPartnera"), "1");
  EXPECT_EQ(IniValue("Kronilog.ini", kSectionBookkeeping, kLastExportDateKey.key), "15.03.26");
}

TEST_F(SettingsFaults, KeysInsideGarbageAreStillFoundAndBadNumbersDefaulted) {
  WriteBytes("Kronilog.ini", std::string("\x01\xff garbage\n[ustawieniaRaportu]\n\x7f\x80=1\nidPartnera=77\n"
                                         "wykluczonaGrupa=banana\nnazwaSklepu=\n[odczytParagonowZKas]\n"
                                         "Kasa01=99999999999999999999\nKasa02=-0\n") +
                                 std::string("\0\0tail\n", 7));
  EXPECT_EQ(RunAutomaticExport(), 1);
  auto reports = ReportFiles();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].filename(), "H0077_20260315102030.xml");
  EXPECT_TRUE(WellFormed(ReadBytes(reports[0])));
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  const std::string after = ReadBytes("Kronilog.ini");
  EXPECT_NE(after.find("\x01\xff garbage\n"), std::string::npos);
  EXPECT_NE(after.find(std::string("\0\0tail\n", 7)), std::string::npos);
}

}  // namespace
