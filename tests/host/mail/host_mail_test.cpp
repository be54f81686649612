// The emulator's mail service and its kin, called directly.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <regex>

#include "host/mail/mail_service.h"
#include "host/mail/mail_header.h"
#include "host/mail/outbox.h"
#include "host/program/instance_number.h"
#include "host/memory/memory.h"
#include "host/all_services.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "host/mail/smtp.h"
#include "host/system/smtp_delivery.h"
#include "host/system/file_commit.h"
#include "tests/mail/mail_support.h"
#include "tests/support/files.h"

namespace {

using mailtest::MailTest;
using mailtest::WithoutSubmissionHeaders;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

std::string Encode(const std::string& bytes) {
  char* text = host::HostBase64Encode(bytes.data(), static_cast<int>(bytes.size()));
  if (text == nullptr) return "(null)";
  std::string copy = text;
  host::HostFree(text);
  return copy;
}

class HostMail : public MailTest {};

TEST_F(HostMail, Base64IsStandardAndWithoutLineBreaks) {
  EXPECT_EQ(Encode(""), "");
  EXPECT_EQ(Encode("f"), "Zg==");
  EXPECT_EQ(Encode("fo"), "Zm8=");
  EXPECT_EQ(Encode("foo"), "Zm9v");
  EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
  // Every byte value, NULs included, and the two characters beyond the letters and digits.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string encoded = Encode(all);
  EXPECT_EQ(encoded.size(), 344u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(encoded.substr(0, 8), "AAECAwQF");
  EXPECT_EQ(encoded.substr(encoded.size() - 8), "/P3+/w==");
  EXPECT_EQ(Encode(std::string("\xfb\xff", 2)), "+/8=");
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(HostMail, Base64RefusesWhatItCannotEncode) {
  EXPECT_EQ(host::HostBase64Encode("abc", -1), nullptr);
  EXPECT_EQ(host::HostBase64Encode(nullptr, 3), nullptr);
  char* empty = host::HostBase64Encode(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  host::HostFree(empty);
  host::FailAllocation(1);
  EXPECT_EQ(host::HostBase64Encode("abc", 3), nullptr);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(HostMail, RandomFollowsTheSeedAndStaysInRange) {
  host::Options seeded;
  seeded.seed = 42;
  StartSession(seeded);
  std::vector<int> first;
  for (int i = 0; i < 200; ++i) first.push_back(host::HostRandom(10));
  StartSession(seeded);
  std::vector<int> again;
  for (int i = 0; i < 200; ++i) again.push_back(host::HostRandom(10));
  EXPECT_EQ(first, again);
  std::vector<int> seen(10, 0);
  for (int value : first) {
    ASSERT_GE(value, 0);
    ASSERT_LT(value, 10);
    ++seen[static_cast<std::size_t>(value)];
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0);

  seeded.seed = 43;
  StartSession(seeded);
  std::vector<int> other;
  for (int i = 0; i < 200; ++i) other.push_back(host::HostRandom(10));
  EXPECT_NE(first, other);
  EXPECT_EQ(host::HostRandom(1), 0);
  EXPECT_EQ(host::HostRandom(0), 0);
  EXPECT_EQ(host::HostRandom(-5), 0);
}

TEST_F(HostMail, InstanceNumberIsSettableForOneSession) {
  int* number = host::HostInstanceNumber();
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(*number, 1);
  host::SetInstanceNumber(7);
  EXPECT_EQ(*host::HostInstanceNumber(), 7);
  StartSession();
  EXPECT_EQ(*host::HostInstanceNumber(), 1);
}

TEST_F(HostMail, AddressesComeFromTheHeaderOnly) {
  auto found = host::ReadMailAddresses(
      "Subject: x\nto: a@b.test, \"Kowalski, Jan\" <jan@c.test>,,  d@e.test \n"
      "From: Sklep <sklep@b.test>\n\nTo: body@x.test\n");
  EXPECT_EQ(found.problem, "");
  EXPECT_EQ(found.sender, "sklep@b.test");
  EXPECT_EQ(found.recipients, (std::vector<std::string>{"a@b.test", "jan@c.test", "d@e.test"}));

  // A folded To: line, CRLF line ends.
  found = host::ReadMailAddresses("From: s@b.test\r\nTo: a@b.test,\r\n c@d.test\r\n\r\n");
  EXPECT_EQ(found.recipients, (std::vector<std::string>{"a@b.test", "c@d.test"}));

  EXPECT_NE(host::ReadMailAddresses("To: a@b.test\n\nFrom: s@b.test\n").problem, "");
  EXPECT_NE(host::ReadMailAddresses("From: s@b.test\n").problem, "");
  EXPECT_NE(host::ReadMailAddresses("From: s@b.test\nTo: , \n").problem, "");
  EXPECT_NE(host::ReadMailAddresses("From: s@b.test\nTo: a b@c.test\n").problem, "");
}

TEST_F(HostMail, ServerTextBecomesAUrl) {
  EXPECT_EQ(host::SmtpUrl("mail.example.org", 0), "smtp://mail.example.org:25");
  EXPECT_EQ(host::SmtpUrl("mail.example.org", 17), "smtp://mail.example.org:587");
  EXPECT_EQ(host::SmtpUrl("mail.example.org", 16), "smtp://mail.example.org:25");
  EXPECT_EQ(host::SmtpUrl("mail.example.org", 33), "smtps://mail.example.org:465");
  EXPECT_EQ(host::SmtpUrl(" 127.0.0.1:2525 ", 1), "smtp://127.0.0.1:2525");
  EXPECT_EQ(host::SmtpUrl("[::1]:2525", 0), "smtp://[::1]:2525");
  EXPECT_EQ(host::SmtpUrl("[::1]", 0), "smtp://[::1]:25");
  for (const char* bad : {"", "  ", "host:", "host:0", "host:65536", "host:25x", "a b",
                          "host/path", "user@host", "[::1", "[]:25", "smtp://host"}) {
    EXPECT_EQ(host::SmtpUrl(bad, 0), "") << bad;
  }
}

const char kMessage[] = "Subject: S\nTo: a@b.test\nFrom: s@b.test\n\nbody\n";

TEST_F(HostMail, WithoutSmtpEachMessageGoesIntoTheOutbox) {
  WriteBytes("message.eml", kMessage);
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "smtp.example.invalid", "s@b.test", "sekret", 17),
            1);
  WriteBytes("message.eml", std::string(kMessage) + "second\n");
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "smtp.example.invalid", "s@b.test", "sekret", 17),
            1);
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes("outbox/0001.eml")), kMessage);
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes("outbox/0002.eml")), std::string(kMessage) + "second\n");

  const auto mails = Events("mail");
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(mails[0]["delivered"], true);
  EXPECT_EQ(mails[0]["server"], "smtp.example.invalid");
  EXPECT_EQ(mails[0]["login"], "s@b.test");
  EXPECT_EQ(mails[0]["to"], nlohmann::json::array({"a@b.test"}));
  EXPECT_EQ(mails[1]["outboxFile"], "outbox/0002.eml");
  for (const auto& event : host::JournalEntries()) {
    EXPECT_EQ(event.dump().find("sekret"), std::string::npos);
  }
}

// The outbox copy is made piece by piece, and the addresses are read from the header only:
// a message of several megabytes (with a NUL and lines without an end) arrives byte for byte,
// and a To: line in its body, or after a long header that crosses the reading's pieces, is
// not taken for the header's.
TEST_F(HostMail, LargeMessagesAreCopiedWholeAndAddressedFromTheHeader) {
  std::string body;
  for (int i = 0; body.size() < 5'000'000; ++i) body += "linia " + std::to_string(i) + "\n";
  body += std::string("\0To: body@x.test\r\nkoniec", 25);
  const std::string large = std::string(kMessage) + body;
  WriteBytes("message.eml", large);
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
  EXPECT_TRUE(WithoutSubmissionHeaders(ReadBytes("outbox/0001.eml")) == large);

  for (std::size_t padding : {16 * 1024 - 58, 16 * 1024 - 57, 16 * 1024 - 56, 40 * 1024}) {
    const std::string header =
        "Subject: S\nX-Padding: " + std::string(padding, 'p') + "\nFrom: s@b.test\r\n";
    WriteBytes("message.eml", header + "To: first@b.test\r\n\r\nTo: body@x.test\n" + body);
    EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
    EXPECT_EQ(Events("mail").back()["to"], nlohmann::json::array({"first@b.test"})) << padding;
    WriteBytes("message.eml", header + "\r\nTo: body@x.test\n" + body);
    EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 0) << padding;
  }
}

TEST_F(HostMail, OutboxNumbersGoOnAfterTheHighest) {
  options.outbox = "sent/mail";
  StartSession();
  std::filesystem::create_directories("sent/mail");
  WriteBytes("sent/mail/0007.eml", "old");
  WriteBytes("sent/mail/note.eml", "not numbered");
  WriteBytes("message.eml", kMessage);
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes("sent/mail/0008.eml")), kMessage);
  EXPECT_EQ(ReadBytes("sent/mail/0007.eml"), "old");
}

// Whatever else lies in the outbox, the next message gets the next free number, and the one
// after it too: a number beyond 32 bits, a name of more digits than a number has, a folder
// with a number's name.
TEST_F(HostMail, ForeignFilesInTheOutboxNeverStopDelivery) {
  struct Case {
    const char* foreign;  // a file, or a folder when it ends with '/'
    const char* first;
    const char* second;
  };
  for (const Case& c : {Case{"3000000000.eml", "3000000001.eml", "3000000002.eml"},
                        Case{"9999999999.eml", "10000000000.eml", "10000000001.eml"},
                        // the first number past 18 digits is not counted again: it is passed over
                        Case{"999999999999999999.eml", "1000000000000000000.eml", "1000000000000000001.eml"},
                        Case{"123456789012345678901234567890.eml", "0001.eml", "0002.eml"},
                        Case{"0001.eml/", "0002.eml", "0003.eml"}}) {
    SCOPED_TRACE(c.foreign);
    std::filesystem::remove_all("outbox");
    std::filesystem::create_directories("outbox");
    const std::string foreign = c.foreign;
    if (foreign.ends_with("/")) {
      std::filesystem::create_directory("outbox/" + foreign);
    } else {
      WriteBytes("outbox/" + foreign, "foreign");
    }
    WriteBytes("message.eml", kMessage);
    ASSERT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1) << Events("mail").back().dump();
    ASSERT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1) << Events("mail").back().dump();
    EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes(std::filesystem::path("outbox") / c.first)), kMessage);
    EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes(std::filesystem::path("outbox") / c.second)), kMessage);
  }
}

TEST_F(HostMail, AnUndeliverableMessageIsReportedAndNotSent) {
  testing::internal::CaptureStdout();
  host::Options loud;
  loud.quietTerminal = false;
  host::ResetHost(loud);  // the terminal is watched here, so not through StartSession

  EXPECT_EQ(host::HostSendMail("missing.eml", 0, "s", "l", "sekret", 0), 0);
  WriteBytes("noaddress.eml", "Subject: S\n\nTo: a@b.test\n");
  EXPECT_EQ(host::HostSendMail("noaddress.eml", 0, "s", "l", "sekret", 0), 0);
  const std::string terminal = testing::internal::GetCapturedStdout();

  const auto mails = Events("mail");
  ASSERT_EQ(mails.size(), 2u);
  for (const auto& mail : mails) {
    EXPECT_EQ(mail["delivered"], false);
    EXPECT_FALSE(mail.value("reason", "").empty());
  }
  EXPECT_NE(terminal.find("not delivered"), std::string::npos);
  EXPECT_EQ(terminal.find("sekret"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("outbox/0001.eml"));
}

TEST_F(HostMail, SmtpRefusesUnusableRequestsBeforeConnecting) {
  host::SmtpRequest request;
  request.server = "127.0.0.1:1";
  request.sender = "s@b.test";
  request.recipients = {"a@b.test"};
  request.authentication = 64;
  EXPECT_NE(host::DeliverSmtp(request).reason.find("authentication number 64"), std::string::npos);
  request.authentication = 1;
  EXPECT_NE(host::DeliverSmtp(request).reason.find("login"), std::string::npos);
  request.server = "bad server";
  EXPECT_NE(host::DeliverSmtp(request).reason.find("bad server"), std::string::npos);
}

}  // namespace

namespace {

// As a submission server does: a Date and a Message-ID before a message that has none, in its
// own line ends, in the outbox copy only (message.eml stays as the plug-in wrote it); a
// message that has them goes as it is.
TEST_F(HostMail, TheHandOverAddsADateAndAMessageIdWhenTheMessageHasNone) {
  options.today = "31.03.26";
  options.now = "12:00:00";
  options.seed = 5;
  StartSession();
  const std::string crlf = "Subject: S\r\nTo: a@b.test\r\nFrom: Sklep <s@sklep.test>\r\n\r\nbody\r\n";
  const std::string own = "Date: Mon, 30 Mar 2026 08:00:00 +0200\nMessage-ID: <x@y>\n" + std::string(kMessage);
  for (const std::string& message : {std::string(kMessage), crlf, own}) {
    WriteBytes("message.eml", message);
    ASSERT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
    EXPECT_EQ(ReadBytes("message.eml"), message);
  }
  const std::string first = ReadBytes("outbox/0001.eml");
  EXPECT_TRUE(std::regex_match(first.substr(0, first.size() - std::strlen(kMessage)),
                               std::regex("Date: Tue, 31 Mar 2026 12:00:00 -0000\n"
                                          "Message-ID: <20260331120000\\.1\\.[0-9a-f]{16}@b\\.test>\n")))
      << first;
  EXPECT_TRUE(first.ends_with(kMessage));
  const std::string second = ReadBytes("outbox/0002.eml");
  EXPECT_TRUE(second.starts_with("Date: Tue, 31 Mar 2026 12:00:00 -0000\r\nMessage-ID: <20260331120000.1."))
      << second;
  EXPECT_NE(second.find("@sklep.test>\r\nSubject: S\r\n"), std::string::npos) << second;
  EXPECT_NE(first.substr(0, 80), second.substr(0, 80));  // each message its own id
  EXPECT_EQ(ReadBytes("outbox/0003.eml"), own);
}

// An outbox message is whole or not there at all: a copy that fails part way leaves nothing,
// a session killed while it copies leaves only its temporary file (which the next delivery
// clears away), and a number taken meanwhile by another session is never overwritten.
TEST_F(HostMail, AnOutboxMessageIsWholeOrNotThere) {
  const std::string large = std::string(kMessage) + std::string(3 << 20, 'x');
  WriteBytes("message.eml", large);
  host::FailOutboxWritesAfter(100000);
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 0);
  host::FailOutboxWritesAfter(-1);
  EXPECT_TRUE(std::filesystem::is_empty("outbox"));

  ASSERT_EQ(mkfifo("slow.eml", 0600), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(host::HostSendMail("slow.eml", 0, "s", "l", "p", 0));
  // The child reads the header first, then opens the file again for the copy.
  const auto waitingForAWriter = [&] {
    std::ifstream wchan("/proc/" + std::to_string(child) + "/wchan");
    std::string where;
    wchan >> where;
    return where == "wait_for_partner";
  };
  for (int opening = 0; opening < 2; ++opening) {
    for (int wait = 0; wait < 500 && !waitingForAWriter(); ++wait) usleep(10000);
    const int fifo = open("slow.eml", O_WRONLY);
    ASSERT_GE(fifo, 0);
    const std::string part = opening == 0 ? std::string(kMessage) : large.substr(0, 200000);
    ASSERT_EQ(write(fifo, part.data(), part.size()), static_cast<ssize_t>(part.size()));
    if (opening == 0) {
      close(fifo);
    } else {
      usleep(200000);  // the child copies what it was given
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      close(fifo);
    }
  }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator("outbox")) {
    left.push_back(entry.path().filename().string());
  }
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(left[0].find(".tmp-" + std::to_string(child) + "-"), std::string::npos) << left[0];

  WriteBytes("outbox/0001.eml", "another session's");
  EXPECT_EQ(host::HostSendMail("message.eml", 0, "s", "l", "p", 0), 1);
  EXPECT_EQ(ReadBytes("outbox/0001.eml"), "another session's");
  EXPECT_TRUE(WithoutSubmissionHeaders(ReadBytes("outbox/0002.eml")) == large);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("outbox"), {}), 2);

  std::filesystem::path temporary;
  std::FILE* file = host::CreateTemporaryBeside("outbox/0002.eml", &temporary);
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  errno = 0;
  EXPECT_FALSE(host::CommitTemporary(temporary, "outbox/0002.eml", false));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_TRUE(std::filesystem::exists(temporary));
}

}  // namespace
