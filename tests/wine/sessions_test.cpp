// Several warnik.exe sessions at once in one shop folder, under Wine, as tills started together
// run them: each Windows call of the plug-in (the report's name and folder, the log's rotation,
// the automatic export's turn, the final notice's wait) and of the Win32 host (instance
// numbers, outbox numbers, the settings lock and replacement) with other processes at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/work_folder.h"
#include "tests/wine/win32_processes.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Wine sees the machine's folders on drive Z:.
HANDLE Warnik(const std::string& arguments) {
  return wintest::Start("\"Z:" KRONILOG_WARNIK_EXE "\" --shop \"Z:" KRONILOG_SOURCE_DIR
                        "/examples/shop\" --today 01.04.26 --now 10:00:00 --quiet " + arguments);
}

class SessionsAtOnce : public ::testing::Test {
 protected:
  SessionsAtOnce() { fs::copy_file(KRONILOG_SOURCE_DIR "/examples/Kronilog.ini", "Kronilog.ini"); }
  testsupport::WorkFolder folder_;
};

// Four menu exports in one second beside settings writers, the log a line short of its
// limit: four reports under four names, each mailed once under a number of its own and
// logged once, the old log kept whole, and every key of the shop and the writers there.
TEST_F(SessionsAtOnce, MenuExportsBesideWritersEachKeepTheirOwn) {
  const std::string oldLog = "old log\r\n" + std::string(1024 * 1024 - 120, '.') + "\r\n";
  std::ofstream("Kronilog.log", std::ios::binary) << oldLog;
  std::vector<HANDLE> sessions;
  for (int i = 0; i < 4; ++i) sessions.push_back(Warnik("menu-export 01.03.26 31.03.26"));
  for (int i = 0; i < 12; ++i) sessions.push_back(Warnik("settings set test w" + std::to_string(i) + " v"));
  ASSERT_TRUE(wintest::AllSucceed(sessions));

  const std::string logs = ReadAll("Kronilog.log.1") + ReadAll("Kronilog.log");
  EXPECT_EQ(Count(logs, oldLog), 1);
  std::string mails;
  for (const auto& mail : fs::directory_iterator("outbox")) mails += ReadAll(mail.path());
  std::vector<std::string> reports;
  for (const auto& report : fs::directory_iterator("RAP_KART")) reports.push_back(report.path().filename().string());
  EXPECT_EQ(reports.size(), 4u);
  for (const std::string& name : reports) {
    EXPECT_EQ(Count(logs, "plik=" + name + " wynik=przekazany"), 1) << name;
    EXPECT_EQ(Count(mails, "filename=\"" + name + "\""), 1) << name;
  }
  const std::string settings = ReadAll("Kronilog.ini");
  EXPECT_EQ(Count(settings, "idPartnera=1234") + Count(settings, "login=sklep-1234@"), 2);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Count(settings, "w" + std::to_string(i) + "=v"), 1) << i;
}

// Three automatic exports at once: one takes the turn and makes the day's export, the others
// find it under way or made.
TEST_F(SessionsAtOnce, AutomaticExportsMakeTheDaysExportOnce) {
  ASSERT_TRUE(wintest::AllSucceed({Warnik("auto-export"), Warnik("auto-export"), Warnik("auto-export")}));
  EXPECT_EQ(std::distance(fs::directory_iterator("RAP_KART"), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator("outbox"), fs::directory_iterator()), 1);
}

}  // namespace
