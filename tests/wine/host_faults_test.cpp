// The Win32 host's outbox and settings file under Windows' sharing rules, run under Wine: the
// emulator's code in this program, and copies of it started as other programs that write or
// hold the settings file at the same time.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/mail/mail_service.h"
#include "host/session/journal.h"
#include "host/session/session_options.h"
#include "host/settings/settings_service.h"
#include "tests/wine/win32_processes.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWriters = 6;
constexpr int kKeysEach = 15;

void QuietSession() {
  host::Options options;
  options.quietTerminal = true;
  options.instantSleep = true;
  host::ResetHost(options);
}

std::string Key(int writer, int key) { return "w" + std::to_string(writer) + "k" + std::to_string(key); }

// A writer's whole work: its own keys of Kronilog.ini in the current folder, one by one.
int WriteKeys(int writer) {
  QuietSession();
  int failed = 0;
  for (int k = 0; k < kKeysEach; ++k) {
    failed += host::WriteSettingText("Kronilog.ini", "test", Key(writer, k), std::to_string(k)) != host::kIniOk;
  }
  return failed == 0 ? 0 : 1;
}

// Another program with Kronilog.ini open until it ends: "read", as fopen(..., "rb") opens it,
// for 1.5 s, or "alone", sharing nothing, for 7 s (longer than a read waits). The file
// "held" says it has it.
int Hold(const std::string& how) {
  const bool read = how == "read";
  if (read ? std::fopen("Kronilog.ini", "rb") == nullptr
           : CreateFileA("Kronilog.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE) {
    return 1;
  }
  std::ofstream("held").put('y');
  Sleep(read ? 1500 : 7000);
  return 0;
}

HANDLE HoldWhileTesting(const std::string& how) {
  HANDLE holder = wintest::StartRole("hold", how);
  for (int i = 0; i < 1000 && !fs::exists("held"); ++i) Sleep(10);
  return holder;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Win32Host : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    folder_ = fs::temp_directory_path() /
              ("kronilog-win32-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::current_path(folder_);
    QuietSession();
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }
  fs::path previous_;
  fs::path folder_;
};

// A foreign file numbered 2^31 or more, or of ten digits, never stops delivery: the next
// messages take the next free numbers.
TEST_F(Win32Host, ForeignOutboxNumbersNeverStopDelivery) {
  const std::string message = "From: s@b.test\r\nTo: a@b.test\r\n\r\nbody\r\n";
  struct Case {
    const char* foreign;
    const char* first;
    const char* second;
  };
  for (const Case& c : {Case{"3000000000.eml", "3000000001.eml", "3000000002.eml"},
                        Case{"9999999999.eml", "10000000000.eml", "10000000001.eml"}}) {
    SCOPED_TRACE(c.foreign);
    fs::remove_all("outbox");
    fs::create_directories("outbox");
    std::ofstream(fs::path("outbox") / c.foreign, std::ios::binary) << "foreign";
    std::ofstream("message.eml", std::ios::binary) << message;
    EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
    EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
    EXPECT_NE(ReadAll(fs::path("outbox") / c.first).find(message), std::string::npos);
    EXPECT_NE(ReadAll(fs::path("outbox") / c.second).find(message), std::string::npos);
  }
}

// Copies of this program write their own keys of one Kronilog.ini at the same time: under
// the lock every key is there afterwards, and the lock file is gone.
TEST_F(Win32Host, SettingsWritersInSeveralProcessesKeepEachOthersKeys) {
  std::vector<HANDLE> writers;
  for (int w = 0; w < kWriters; ++w) writers.push_back(wintest::StartRole("write-keys", std::to_string(w)));
  EXPECT_TRUE(wintest::AllSucceed(writers));
  int missing = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      std::string value;
      missing += host::ReadSettingText("Kronilog.ini", "test", Key(w, k), &value) != host::kIniOk ||
                 value != std::to_string(k);
    }
  }
  EXPECT_EQ(missing, 0) << ReadAll("Kronilog.ini");
  EXPECT_FALSE(fs::exists("Kronilog.ini.lock"));
}

// Sessions reading the file while others replace it: no read is refused because a writer holds
// the new file for its rename, so no key ever reads as missing (and gets its default written
// over it), and no write is refused because a reader has the file open at that moment.
TEST_F(Win32Host, ReadsBesideWritersAlwaysFindTheKey) {
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", "1234"), host::kIniOk);
  std::vector<HANDLE> writers;
  for (int w = 0; w < 3; ++w) writers.push_back(wintest::StartRole("write-keys", std::to_string(w)));
  int reads = 0;
  int missed = 0;
  while (WaitForMultipleObjects(static_cast<DWORD>(writers.size()), writers.data(), TRUE, 0) == WAIT_TIMEOUT) {
    std::string value;
    missed += host::ReadSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", &value) != host::kIniOk ||
              value != "1234";
    ++reads;
  }
  EXPECT_TRUE(wintest::AllSucceed(writers));
  EXPECT_EQ(missed, 0) << "of " << reads << " reads";
  EXPECT_FALSE(host::SettingsFileRefusal().has_value()) << *host::SettingsFileRefusal();
}

// A write while another program has the file open for reading, as fopen(..., "rb") opens it:
// the rename waits until the reader lets go, and succeeds.
TEST_F(Win32Host, AWriteSucceedsWhileAnotherProgramReadsTheFile) {
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", "1234"), host::kIniOk);
  HANDLE reader = HoldWhileTesting("read");
  EXPECT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "nazwaSklepu", "X"), host::kIniOk);
  EXPECT_TRUE(wintest::AllSucceed({reader}));
  EXPECT_NE(ReadAll("Kronilog.ini").find("nazwaSklepu=X"), std::string::npos);
}

// A file another program keeps to itself for longer than a read waits is no missing key: the
// session refuses the file, and none of its writes changes it, also after the program let go.
TEST_F(Win32Host, AFileThatCannotBeReadGetsNoDefaultWrittenOverIt) {
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", "1234"), host::kIniOk);
  const std::string before = ReadAll("Kronilog.ini");
  HANDLE holder = HoldWhileTesting("alone");
  std::string value;
  EXPECT_EQ(host::ReadSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", &value), host::kIniNoFile);
  EXPECT_TRUE(wintest::AllSucceed({holder}));
  EXPECT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "idPartnera", "1"), host::kIniWriteFailed);
  EXPECT_EQ(ReadAll("Kronilog.ini"), before);
  ASSERT_TRUE(host::SettingsFileRefusal().has_value());
  EXPECT_NE(host::SettingsFileRefusal()->find("cannot be opened"), std::string::npos) << *host::SettingsFileRefusal();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--role") {
    return std::string(argv[2]) == "hold" ? Hold(argv[3]) : WriteKeys(std::stoi(argv[3]));
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
