// The attachment part, written by the plug-in's code in this process against the emulator.
#include <openssl/evp.h>

#include <cstring>

#include "binding/host_api.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/mail/mail_service.h"
#include "host/mail/mail_header.h"
#include "host/mail/outbox.h"
#include "host/program/instance_number.h"
#include "host/all_services.h"
#include "mail/attachment.h"
#include "mail_support.h"
#include "tests/support/files.h"

namespace {

using mailtest::Lines;
using mailtest::MailTest;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

struct Split {
  std::string stem;
  std::string extension;
};

Split SplitName(const std::string& path) {
  char stem[256];
  char extension[256];
  std::memset(stem, 'x', sizeof stem);
  std::memset(extension, 'x', sizeof extension);
  SplitFileName(path.c_str(), stem, extension);
  return {stem, extension};
}

class Attachment : public MailTest {
 protected:
  // Runs AddAttachment into a fresh part file and gives back what it wrote.
  std::string AttachInto(const char* reportPath, int* result) {
    HostFile* part = HostOpenFile("part.txt", "wt", 64, 0, -1);
    EXPECT_NE(part, nullptr);
    *result = AddAttachment(part, reportPath);
    HostCloseFile(part);
    return ReadBytes("part.txt");
  }
};

TEST_F(Attachment, NameIsTheLastBackslashComponent) {
  const struct {
    const char* path;
    const char* stem;
    const char* extension;
  } cases[] = {
      {"RAP_KART\\H0001_20260301120000.xml", "H0001_20260301120000", "xml"},
      {"a\\b\\c\\NAME.xml", "NAME", "xml"},
      {"a.b.xml", "a.b", "xml"},
      {"dir.d\\README", "README", ""},
      {"C:NAME.xml", "NAME", "xml"},
      {"C:\\RAP_KART\\NAME.xml", "NAME", "xml"},
      {"C:\\", "", ""},
      {"\\", "", ""},
      {"folder\\", "", ""},
      {"a/b/NAME.xml", "a/b/NAME", "xml"},  // a slash separates nothing
      {"name.", "name", ""},
      {".hidden", "", "hidden"},
      {"", "", ""},
      {"C", "C", ""},
  };
  for (const auto& c : cases) {
    const Split split = SplitName(c.path);
    EXPECT_EQ(split.stem, c.stem) << c.path;
    EXPECT_EQ(split.extension, c.extension) << c.path;
  }
}

TEST_F(Attachment, NameOfAPathLongerThanTheBuffersIsCutNotOverrun) {
  // 302 characters with a drive letter: only the first 255 of the path are looked at.
  const std::string path = "C:" + std::string(250, 'n') + ".xml" + std::string(46, 'z');
  const Split split = SplitName(path);
  EXPECT_EQ(split.stem, std::string(250, 'n'));
  EXPECT_EQ(split.extension, "xm");
  const Split plain = SplitName(std::string(400, 'q'));
  EXPECT_EQ(plain.stem, std::string(255, 'q'));
}

// HostBase64Encode's stand-in for the line tests: a text of the requested length, whatever
// the data, from the host's memory as the real one.
int fakeLength = 0;
char* HOSTAPI FakeEncode(const void*, int) {
  auto* text = static_cast<char*>(host::HostAlloc(fakeLength + 1));
  for (int i = 0; i < fakeLength; ++i) text[i] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 26];
  text[fakeLength] = '\0';
  return text;
}

// The text is copied in lines of 72; a text whose length is not the one the report's bytes
// take in Base64 (a host that gives less, or more) makes the part fail, so that no message
// goes out with less than the whole report.
TEST_F(Attachment, EncodedTextIsCutIntoLinesOf72AndMustHaveTheReportsLength) {
  const auto real = hostSlots.HostBase64Encode;
  hostSlots.HostBase64Encode = &FakeEncode;
  const struct {
    int reportBytes;
    int encodedLength;
    std::vector<std::size_t> lines;
    int result;
  } cases[] = {
      {1, 4, {4}, 0},         {54, 72, {72}, 0},         {55, 76, {72, 4}, 0},
      {108, 144, {72, 72}, 0}, {109, 148, {72, 72, 4}, 0}, {162, 216, {72, 72, 72}, 0},
      {0, 0, {}, 0},
      {3, 0, {}, 1},          // nothing came back for a report of three bytes
      {54, 71, {71}, 1},      // a character short
      {54, 76, {72, 4}, 1},   // more than the report
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reportBytes);
    WriteBytes("report.xml", std::string(static_cast<std::size_t>(c.reportBytes), 'r'));
    fakeLength = c.encodedLength;
    int result = -1;
    const std::vector<std::string> lines = Lines(AttachInto("report.xml", &result));
    EXPECT_EQ(result, c.result);
    ASSERT_EQ(lines.size(), 6 + c.lines.size());
    std::string joined;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      EXPECT_EQ(lines[6 + i].size(), c.lines[i]) << " line " << i;
      joined += lines[6 + i];
    }
    EXPECT_EQ(joined, ReadBytes("tempatach1.txt"));
  }
  hostSlots.HostBase64Encode = real;
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(Attachment, PartDecodesToExactlyTheReportBytes) {
  std::string report;
  for (int i = 0; i < 5000; ++i) report += static_cast<char>((i * 7919) & 0xFF);
  std::filesystem::create_directories("RAP_KART");
  WriteBytes("RAP_KART/H0001_20260301120000.xml", report);

  int result = -1;
  const std::string part = AttachInto("RAP_KART\\H0001_20260301120000.xml", &result);
  EXPECT_EQ(result, 0);
  const std::vector<std::string> lines = Lines(part);
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Content-Type: application/xml;");
  EXPECT_EQ(lines[1], " name=\"H0001_20260301120000.xml\"");
  EXPECT_EQ(lines[2], "Content-Transfer-Encoding: base64");
  EXPECT_EQ(lines[3], "Content-Disposition: attachment;");
  EXPECT_EQ(lines[4], " filename=\"H0001_20260301120000.xml\"");
  EXPECT_EQ(lines[5], "");

  std::string encoded;
  for (std::size_t i = 6; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 72u);
    if (i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].size(), 72u);
    }
    encoded += lines[i];
  }
  std::string decoded(encoded.size(), '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                                reinterpret_cast<const unsigned char*>(encoded.data()),
                                static_cast<int>(encoded.size()));
  ASSERT_GE(n, 0);
  decoded.resize(static_cast<std::size_t>(n) - (encoded.size() - encoded.find_last_not_of('=') - 1));
  EXPECT_EQ(decoded, report);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(Attachment, EmptyReportGivesTheHeaderAndNoLines) {
  WriteBytes("empty.xml", "");
  int result = -1;
  const std::vector<std::string> lines = Lines(AttachInto("empty.xml", &result));
  EXPECT_EQ(result, 0);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], " name=\"empty.xml\"");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(Attachment, NameWithoutDotShowsALoneDot) {
  WriteBytes("README", "x");
  int result = -1;
  const std::vector<std::string> lines = Lines(AttachInto("README", &result));
  EXPECT_EQ(result, 0);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[1], " name=\"README.\"");
  EXPECT_EQ(lines[4], " filename=\"README.\"");
}

TEST_F(Attachment, MissingReportWritesNothingAndLeavesTheOldTemporaryFile) {
  WriteBytes("tempatach1.txt", "from an earlier run");
  int result = -1;
  EXPECT_EQ(AttachInto("RAP_KART\\missing.xml", &result), "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadBytes("tempatach1.txt"), "from an earlier run");
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(Attachment, TemporaryFileThatCannotBeCreatedFailsCleanly) {
  WriteBytes("report.xml", "<x/>");
  std::filesystem::create_directory("tempatach1.txt");
  int result = -1;
  EXPECT_EQ(AttachInto("report.xml", &result), "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(Attachment, TemporaryFileCarriesTheInstanceNumber) {
  WriteBytes("report.xml", "abc");
  host::SetInstanceNumber(-12);
  int result = -1;
  AttachInto("report.xml", &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes("tempatach-12.txt"), "YWJj");
  EXPECT_FALSE(std::filesystem::exists("tempatach1.txt"));
}

TEST_F(Attachment, MemoryRefusedForTheContentOrTheText) {
  WriteBytes("report.xml", "abc");
  // The first request is the content block: no attachment at all.
  host::FailAllocation(1);
  int result = -1;
  EXPECT_EQ(AttachInto("report.xml", &result), "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);

  // The second is the encoded text: without it the report would go out as an empty
  // attachment, so that too is an attachment that could not be made.
  StartSession();
  host::FailAllocation(2);
  EXPECT_EQ(AttachInto("report.xml", &result), "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  EXPECT_EQ(host::OpenFiles(), 0);
}

}  // namespace
