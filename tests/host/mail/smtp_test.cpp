// The report message delivered over SMTP to a real server on loopback (aiosmtpd), by the
// plug-in's code in this process through the emulator's mail service.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "host/mail/mail_service.h"
#include "host/mail/mail_header.h"
#include "host/mail/outbox.h"
#include "host/program/instance_number.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/all_services.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "mail/report_message.h"
#include "tests/mail/mail_support.h"
#include "tests/support/files.h"

namespace {

using mailtest::MailTest;
using mailtest::ParseMessage;
using mailtest::SmtpServer;
using mailtest::WithoutSubmissionHeaders;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

constexpr char kStamp[] = "2026-03-31T14:05:00.000";
constexpr char kReportPath[] = "RAP_KART\\H0042_20260331140500.xml";
// "tajne-hasło": in the settings file in Mazovia, at the server in UTF-8.
constexpr char kPasswordMazovia[] = "tajne-has\x92o";

std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

class Smtp : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    std::filesystem::create_directories("RAP_KART");
    report_.clear();
    for (int i = 0; i < 3000; ++i) report_ += static_cast<char>("<a>.\n\r"[i % 6]);
    WriteBytes("RAP_KART/H0042_20260331140500.xml", report_);
    host::SetSmtpCaFile("");
    host::SetSmtpTimeouts(5, 20);
  }

  void TearDown() override {
    host::SetSmtpCaFile("");
    host::SetSmtpTimeouts(15, 60);
    MailTest::TearDown();
  }

  // The mail settings for the server, then a session delivering over SMTP.
  void UseServer(const SmtpServer& server, const std::string& password, int authentication) {
    Set("hostSMTP", "127.0.0.1:" + std::to_string(server.port()));
    Set("login", "sklep@mail.test");
    Set("haslo", password);
    Set("adresat", "raporty@operator.test, kopia@operator.test");
    Set("uwierzytelnienie", std::to_string(authentication));
    options.smtp = true;
    StartSession();
  }

  void Set(const std::string& key, const std::string& value) {
    ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", key, value), 0);
  }

  // The plug-in hands every whole message over; whether it arrived is the host's delivery.
  static int Delivered() {
    EXPECT_EQ(mailtest::SendMessage(kStamp, "Sklep", kReportPath), 1);
    const auto mails = Events("mail");
    return !mails.empty() && mails.back()["delivered"] == true ? 1 : 0;
  }

  std::string report_;
};

TEST_F(Smtp, TheServerReceivesTheComposedMessage) {
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  UseServer(server, kPasswordMazovia, 1);

  EXPECT_EQ(Delivered(), 1);

  const auto received = server.Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(WithoutSubmissionHeaders(WithoutCr(ReadBytes(received[0]))), ReadBytes("message.eml"));
  const nlohmann::json envelope = server.Envelope(received[0]);
  EXPECT_EQ(envelope["mail_from"], "sklep@mail.test");
  EXPECT_EQ(envelope["rcpt_tos"],
            nlohmann::json::array({"raporty@operator.test", "kopia@operator.test"}));
  EXPECT_EQ(envelope["login"], "sklep@mail.test");

  // What arrived, read by a standard MIME parser.
  const nlohmann::json parsed = ParseMessage(received[0], "parsed");
  ASSERT_TRUE(parsed.is_object());
  ASSERT_EQ(parsed["parts"].size(), 2u);
  EXPECT_NE(parsed["parts"][0]["text"].get<std::string>().find(kStamp), std::string::npos);
  EXPECT_EQ(parsed["parts"][1]["filename"], "H0042_20260331140500.xml");
  EXPECT_EQ(ReadBytes(parsed["parts"][1]["file"].get<std::string>()), report_);

  const auto mail = Events("mail").at(0);
  EXPECT_EQ(mail["delivered"], true);
  EXPECT_EQ(mail["via"], "smtp");
  EXPECT_FALSE(std::filesystem::exists("outbox"));
  EXPECT_TRUE(server.Stop());
}

TEST_F(Smtp, AWrongPasswordFailsAndIsReportedWithoutThePassword) {
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  const std::string wrong = "zle-haslo-123";
  UseServer(server, wrong, 1);

  host::Options watched = host::options();
  watched.quietTerminal = false;
  host::ResetHost(watched);  // the terminal is watched: the binding of StartSession stays
  testing::internal::CaptureStdout();
  const int result = Delivered();
  const std::string terminal = testing::internal::GetCapturedStdout();

  EXPECT_EQ(result, 0);
  EXPECT_TRUE(server.Messages().empty());
  const auto mails = Events("mail");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]["delivered"], false);
  const std::string reason = mails[0]["reason"];
  EXPECT_NE(reason.find("535"), std::string::npos) << reason;  // the server's own reply
  EXPECT_NE(terminal.find("not delivered"), std::string::npos);
  EXPECT_NE(terminal.find("535"), std::string::npos);
  for (const auto& event : host::JournalEntries()) {
    EXPECT_EQ(event.dump().find(wrong), std::string::npos) << event.dump();
  }
  EXPECT_EQ(terminal.find(wrong), std::string::npos);
  // The plug-in itself shows nothing about the send; its caller goes on.
  EXPECT_TRUE(Events("alert").empty());
  EXPECT_TRUE(Events("message").empty());
}

TEST_F(Smtp, WithoutLoginTheServerRefusesTheSender) {
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  UseServer(server, kPasswordMazovia, 0);
  EXPECT_EQ(Delivered(), 0);
  EXPECT_TRUE(server.Messages().empty());
  EXPECT_NE(Events("mail").at(0)["reason"].get<std::string>().find("530"), std::string::npos);
}

TEST_F(Smtp, DefaultAuthenticationUsesStartTlsThenLogsIn) {
  SmtpServer::Config config;
  config.tls = true;
  SmtpServer server(folder, config);
  ASSERT_TRUE(server.running());
  host::SetSmtpCaFile(server.certificate());
  UseServer(server, kPasswordMazovia, 17);
  EXPECT_EQ(Delivered(), 1);
  const auto received = server.Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(WithoutSubmissionHeaders(WithoutCr(ReadBytes(received[0]))), ReadBytes("message.eml"));
}

TEST_F(Smtp, StartTlsWithAnUntrustedCertificateFails) {
  SmtpServer::Config config;
  config.tls = true;
  SmtpServer server(folder, config);
  ASSERT_TRUE(server.running());
  UseServer(server, kPasswordMazovia, 17);  // the system's certificates: not this one
  EXPECT_EQ(Delivered(), 0);
  EXPECT_TRUE(server.Messages().empty());
}

TEST_F(Smtp, StartTlsIsRequiredNotHoped) {
  // A server that offers no STARTTLS: with 17 the password is never sent in the clear.
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  UseServer(server, kPasswordMazovia, 17);
  EXPECT_EQ(Delivered(), 0);
  EXPECT_TRUE(server.Messages().empty());
  EXPECT_FALSE(Events("mail").at(0)["reason"].get<std::string>().empty());
}

TEST_F(Smtp, NoServerListeningFailsInBoundedTime) {
  int port = 0;
  {
    SmtpServer server(folder, {});
    ASSERT_TRUE(server.running());
    port = server.port();
    ASSERT_TRUE(server.Stop());
  }
  Set("hostSMTP", "127.0.0.1:" + std::to_string(port));
  options.smtp = true;
  StartSession();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Delivered(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(Events("mail").at(0)["delivered"], false);
}

TEST_F(Smtp, LinesOfDotsArriveIntact) {
  // A lone "." would end the data early if it were not escaped on the way.
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  options.smtp = true;
  StartSession();
  const std::string message =
      "From: sklep@mail.test\nTo: raporty@operator.test\n\n.\n..x\n.\r\nend\n";
  WriteBytes("message.eml", message);
  const std::string serverText = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(host::HostSendMail("message.eml", 0, serverText.c_str(), "sklep@mail.test",
                               kPasswordMazovia, 1),
            1);
  const auto received = server.Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes(received[0])),
            "From: sklep@mail.test\r\nTo: raporty@operator.test\r\n\r\n.\r\n..x\r\n.\r\nend\r\n");
}

TEST_F(Smtp, AServerThatNeverAnswersIsGivenUpInBoundedTime) {
  // A socket that takes connections (the kernel completes them) and never says a word.
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(silent, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);

  Set("hostSMTP", "127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
  options.smtp = true;
  StartSession();
  host::SetSmtpTimeouts(1, 2);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Delivered(), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  close(silent);
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::seconds(8));
  EXPECT_NE(Events("mail").at(0)["reason"].get<std::string>().find("timed out"), std::string::npos)
      << Events("mail").at(0)["reason"];
}

}  // namespace
