// The host's SMTP delivery against a server that refuses or stalls (scripted_smtp_server.h):
// the whole time limit holds, a refusal carries the server's reply, and the password is
// masked only where it stands as a value.
#include <chrono>

#include "host/mail/mail_service.h"
#include "tests/mail/mail_support.h"
#include "tests/support/files.h"
#include "tests/host/mail/scripted_smtp_server.h"

namespace {

using mailtest::MailTest;
using mailtest::ScriptedSmtpServer;
using mailtest::SmtpScript;
using testsupport::WriteBytes;

class SmtpFaults : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    options.smtp = true;
    StartSession();
    WriteMessage(0);
  }
  void TearDown() override {
    host::SetSmtpTimeouts(15, 60);
    MailTest::TearDown();
  }

  static void WriteMessage(std::size_t bodyBytes) {
    std::string body(bodyBytes, 'x');
    for (std::size_t at = 76; at < body.size(); at += 78) body[at] = '\n';
    WriteBytes("message.eml", "From: sklep@mail.test\nTo: raporty@operator.test\n\n" + body + "\nkoniec\n");
  }

  // One hand-over to the server with the login (authentication 1); the reason when it failed.
  static std::string Deliver(const ScriptedSmtpServer& server, const char* password = "tajne") {
    const int delivered = host::HostSendMail("message.eml", 0, server.address().c_str(), "sklep@mail.test",
                                             password, 1);
    const auto mails = Events("mail");
    if (delivered == 1 || mails.empty()) return {};
    return mails.back().value("reason", "");
  }
};

TEST_F(SmtpFaults, AStalledDeliveryEndsWithinItsWholeLimit) {
  struct Case {
    const char* name;
    SmtpScript::Stall stall;
    std::size_t bodyBytes;  // the server stops reading in the middle of a message this large
  };
  for (const Case& c : {Case{"stalled mid-DATA", SmtpScript::kMidData, 24u << 20},
                        Case{"no answer to the final dot", SmtpScript::kAfterDot, 1000}}) {
    SCOPED_TRACE(c.name);
    WriteMessage(c.bodyBytes);
    SmtpScript script;
    script.stall = c.stall;
    ScriptedSmtpServer server(script);
    ASSERT_GT(server.port(), 0);
    host::SetSmtpTimeouts(1, 3);
    const auto start = std::chrono::steady_clock::now();
    const std::string reason = Deliver(server);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(4500));
    EXPECT_NE(reason.find("timed out"), std::string::npos) << reason;
  }
}

TEST_F(SmtpFaults, ARefusalCarriesTheServersOwnReply) {
  struct Case {
    const char* name;
    std::string SmtpScript::*step;
    const char* reply;
  };
  for (const Case& c : {Case{"login", &SmtpScript::auth, "535 5.7.8 Authentication credentials invalid"},
                        Case{"sender", &SmtpScript::mail, "550 5.7.1 Sender sklep@mail.test not owned by user"},
                        Case{"recipient", &SmtpScript::rcpt, "550 5.1.1 Recipient address rejected: no such user"},
                        Case{"data", &SmtpScript::data, "554 5.7.1 Transaction refused: rate limit"},
                        Case{"message", &SmtpScript::dot, "552 5.3.4 Message too big for system"}}) {
    SCOPED_TRACE(c.name);
    SmtpScript script;
    script.*c.step = c.reply;
    ScriptedSmtpServer server(script);
    ASSERT_GT(server.port(), 0);
    const std::string reason = Deliver(server);
    EXPECT_NE(reason.find(c.reply), std::string::npos) << reason;
  }
}

TEST_F(SmtpFaults, ThePasswordIsMaskedOnlyWhereItStandsAsAValue) {
  struct Case {
    const char* password;
    const char* reply;     // the server's refusal of the login
    const char* expected;  // as the reason shows it
  };
  for (const Case& c : {Case{"e", "535 5.7.8 password e refused for sklep@mail.test",
                             "535 5.7.8 password *** refused for sklep@mail.test"},
                        Case{"tajne", "535 5.7.8 login=sklep, pass=tajne: invalid",
                             "535 5.7.8 login=sklep, pass=***: invalid"},
                        Case{"tajne", "535 5.7.8 tajnego hasla brak", "535 5.7.8 tajnego hasla brak"}}) {
    SCOPED_TRACE(c.reply);
    SmtpScript script;
    script.auth = c.reply;
    ScriptedSmtpServer server(script);
    ASSERT_GT(server.port(), 0);
    const std::string reason = Deliver(server, c.password);
    EXPECT_NE(reason.find(c.expected), std::string::npos) << reason;
    // The delivery's own words around it are whole.
    EXPECT_EQ(reason.find("***", reason.find(c.expected) + std::string(c.expected).size()), std::string::npos)
        << reason;
    EXPECT_EQ(reason.substr(0, reason.find(c.expected)).find("***"), std::string::npos) << reason;
  }
}

}  // namespace
