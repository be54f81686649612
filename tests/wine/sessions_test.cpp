// Several warnik.exe sessions at once in one shop folder, under Wine: every Windows call of
// the plug-in and the Win32 host with other processes at the same time, as tills started
// together make them. The report's name (CreateFileA, CREATE_NEW) and its folder
// (CreateDirectoryA), the export log's rotation (MoveFileExA), the automatic export's turn
// (Kronilog.lock, unshared), the final notice's wait (Sleep); the host's instance numbers,
// outbox numbering, settings lock and replacement.
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

HANDLE Warnik(const std::string& arguments) {
  return wintest::Start("\"" + wintest::WinePath(KRONILOG_WARNIK_EXE) + "\" --shop \"" +
                        wintest::WinePath(KRONILOG_SOURCE_DIR "/examples/shop") +
                        "\" --today 01.04.26 --now 10:00:00 --quiet " + arguments);
}

class SessionsAtOnce : public ::testing::Test {
 protected:
  SessionsAtOnce() { fs::copy_file(KRONILOG_SOURCE_DIR "/examples/Kronilog.ini", "Kronilog.ini"); }
  testsupport::WorkFolder folder_;
};

// Four menu exports in the same second beside settings writers, the log one line short of its
// limit: four reports under four names, each mailed whole under a number of its own, each
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
  int reports = 0;
  for (const auto& report : fs::directory_iterator("RAP_KART")) {
    const std::string name = report.path().filename().string();
    EXPECT_EQ(Count(logs, "plik=" + name + " wynik=wyslany"), 1) << name;
    EXPECT_EQ(Count(mails, "filename=\"" + name + "\""), 1) << name;
    ++reports;
  }
  EXPECT_EQ(reports, 4);
  const std::string settings = ReadAll("Kronilog.ini");
  for (const char* kept : {"idPartnera=1234", "login=sklep-1234@smtp.example.invalid"}) {
    EXPECT_EQ(Count(settings, kept), 1) << kept;
  }
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
