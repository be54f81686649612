// The Win32 host's outbox and settings lock, run under Wine: the emulator's code in this
// program, and copies of it started as writers of the settings file at the same time.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/mail/mail_service.h"
#include "host/session/journal.h"
#include "host/session/session_options.h"
#include "host/settings/settings_service.h"

namespace {

namespace fs = std::filesystem;

constexpr char kWriterFlag[] = "--settings-writer";
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
  char program[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
  std::vector<PROCESS_INFORMATION> writers;
  for (int w = 0; w < kWriters; ++w) {
    std::string command = "\"" + std::string(program) + "\" " + kWriterFlag + " " + std::to_string(w);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder_.string().c_str(), &startup, &process))
        << GetLastError();
    writers.push_back(process);
  }
  for (PROCESS_INFORMATION& process : writers) {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    DWORD status = 99;
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == kWriterFlag) return WriteKeys(std::stoi(argv[2]));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
