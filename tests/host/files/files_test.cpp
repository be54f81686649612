// The host's file services on the C library's files.
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <string>

#include "host/files/files.h"
#include "host/all_services.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class HostFiles : public testsupport::InProcessHost {};

TEST_F(HostFiles, DosPathsLandInTheirFolderAndOpensAreJournalled) {
  std::filesystem::create_directory("RAP_KART");
  HostFile* file = host::HostOpenFile("RAP_KART\\H0001_x.xml", "wt", 64, 0, -1);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(host::HostFilePrintf(file, "<a>%d%%</a>\n", 5), 10);
  EXPECT_EQ(host::HostCloseFile(file), 0);
  EXPECT_EQ(ReadBytes("RAP_KART/H0001_x.xml"), "<a>5%</a>\n");
  EXPECT_EQ(host::HostOpenFilePlain("BRAK\\x.txt", "rt"), nullptr);
  const auto& events = host::JournalEntries();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], (nlohmann::json{{"event", "file-open"},
                                       {"path", "RAP_KART\\H0001_x.xml"},
                                       {"mode", "wt"},
                                       {"ok", true}}));
  EXPECT_EQ(events[1]["ok"], false);
  EXPECT_EQ(host::OpenFiles(), 0);
}

TEST_F(HostFiles, ReadLineGivesPiecesOfAtMostSizeLessOne) {
  WriteBytes("t.txt", std::string(150, 'a') + "\nkrotki\nkoniec");
  HostFile* file = host::HostOpenFilePlain("t.txt", "rt");
  ASSERT_NE(file, nullptr);
  char line[73];
  std::vector<std::string> pieces;
  while (host::HostReadLine(line, sizeof line, file) != nullptr) pieces.emplace_back(line);
  EXPECT_EQ(pieces, (std::vector<std::string>{std::string(72, 'a'), std::string(72, 'a'),
                                              "aaaaaa\n", "krotki\n", "koniec"}));
  EXPECT_EQ(host::HostReadLine(line, 1, file), nullptr);
  host::HostCloseFile(file);
}

TEST_F(HostFiles, SeekTellReadAndWriteWorkOnBytes) {
  HostFile* out = host::HostOpenFile("b.bin", "wb", 64, 0, -1);
  ASSERT_NE(out, nullptr);
  const char data[] = "abc\0def";
  EXPECT_EQ(host::HostWriteFile(data, 1, 7, out), 7);
  host::HostCloseFile(out);

  HostFile* in = host::HostOpenFile("b.bin", "rb", 64, 0, -1);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(host::HostSeekFile(in, 0, 2), 0);
  EXPECT_EQ(host::HostTellFile(in), 7);
  EXPECT_EQ(host::HostSeekFile(in, 0, 0), 0);
  char back[8] = {};
  EXPECT_EQ(host::HostReadFile(back, 1, 8, in), 7);
  EXPECT_EQ(std::memcmp(back, data, 7), 0);
  EXPECT_EQ(host::HostSeekFile(in, 0, 3), -1);
  host::HostCloseFile(in);
}

TEST_F(HostFiles, NullOrStrangeHandlesAndBadModesAreRefused) {
  char buffer[8];
  int notAFile = 0;
  for (HostFile* file : {static_cast<HostFile*>(nullptr), reinterpret_cast<HostFile*>(&notAFile)}) {
    EXPECT_EQ(host::HostCloseFile(file), -1);
    EXPECT_EQ(host::HostSeekFile(file, 0, 0), -1);
    EXPECT_EQ(host::HostTellFile(file), -1);
    EXPECT_EQ(host::HostReadFile(buffer, 1, 8, file), 0);
    EXPECT_EQ(host::HostWriteFile(buffer, 1, 8, file), 0);
    EXPECT_EQ(host::HostReadLine(buffer, 8, file), nullptr);
    EXPECT_EQ(host::HostFilePrintf(file, "%s", "x"), -1);
  }
  EXPECT_EQ(host::HostOpenFile("x.txt", "xt", 64, 0, -1), nullptr);
  EXPECT_EQ(host::HostOpenFile("x.txt", "wbb", 64, 0, -1), nullptr);
  EXPECT_EQ(host::HostOpenFile(nullptr, "wt", 64, 0, -1), nullptr);
  EXPECT_EQ(host::HostOpenFile("", "wt", 64, 0, -1), nullptr);
  EXPECT_FALSE(std::filesystem::exists("x.txt"));
}

TEST_F(HostFiles, OpensCanBeMadeToFailByPattern) {
  std::filesystem::create_directory("RAP_KART");
  host::FailFileOpens("RAP_KART/*");
  EXPECT_EQ(host::HostOpenFile("RAP_KART\\a.xml", "wt", 64, 0, -1), nullptr);
  HostFile* other = host::HostOpenFile("message.eml", "wt", 64, 0, -1);
  EXPECT_NE(other, nullptr);
  host::HostCloseFile(other);
  host::FailFileOpens("");
  HostFile* now = host::HostOpenFile("RAP_KART\\a.xml", "wt", 64, 0, -1);
  EXPECT_NE(now, nullptr);
  host::HostCloseFile(now);
}

TEST_F(HostFiles, ASessionResetClosesWhatWasLeftOpen) {
  HostFile* file = host::HostOpenFile("left.txt", "wt", 64, 0, -1);
  ASSERT_NE(file, nullptr);
  host::HostFilePrintf(file, "%s", "kept");
  host::ResetHost(host::options());
  EXPECT_EQ(host::OpenFiles(), 0);
  EXPECT_EQ(ReadBytes("left.txt"), "kept");
}

// A link at the end of a path is not written through: the file it leads to, outside the
// folder, stays as it was; reading through it is as before.
TEST_F(HostFiles, WritesDoNotFollowALinkAtTheEndOfThePath) {
  const std::filesystem::path outside = folder / "outside";
  std::filesystem::create_directory(outside);
  WriteBytes(outside / "secret.txt", "kept");
  std::filesystem::create_symlink(outside / "secret.txt", "message.eml");
  for (const char* mode : {"w", "wb", "wt", "a", "ab", "w+", "a+b", "r+"}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(host::HostOpenFile("message.eml", mode, 64, 0, -1), nullptr);
    EXPECT_EQ(host::HostOpenFilePlain("message.eml", mode), nullptr);
  }
  EXPECT_EQ(ReadBytes(outside / "secret.txt"), "kept");
  EXPECT_TRUE(std::filesystem::is_symlink("message.eml"));
  EXPECT_NE(host::JournalEntries().back().value("reason", "").find("symbolic link"), std::string::npos);
  HostFile* read = host::HostOpenFile("message.eml", "rb", 64, 0, -1);
  ASSERT_NE(read, nullptr);
  host::HostCloseFile(read);
  // A link to a folder on the way is still a folder of the path.
  std::filesystem::create_directory_symlink(outside, "RAP_KART");
  HostFile* report = host::HostOpenFile("RAP_KART\\H0001_x.xml", "wt", 64, 0, -1);
  EXPECT_NE(report, nullptr);
  host::HostCloseFile(report);
}

// What is not a regular file is refused at once, in every mode: a named pipe without a
// writer or reader would otherwise hold the session for ever.
TEST_F(HostFiles, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo("tempatach1.txt", 0644), 0);
  std::filesystem::create_directory("message.eml");
  const auto start = std::chrono::steady_clock::now();
  for (const char* path : {"tempatach1.txt", "message.eml"}) {
    for (const char* mode : {"rb", "wb", "a", "r+"}) {
      SCOPED_TRACE(std::string(path) + " " + mode);
      EXPECT_EQ(host::HostOpenFile(path, mode, 64, 0, -1), nullptr);
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(host::OpenFiles(), 0);
}

}  // namespace
