// What the mail tests share beyond tests/support: the plug-in bound in this process with
// nothing left behind, the loopback SMTP server, and Python's MIME parser.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/host_fixture.h"

namespace mailtest {

std::vector<std::string> Lines(const std::string& text);  // split at LF, no LF kept

// A delivered message without the Date and Message-ID lines the host's hand-over put before
// it (what the plug-in wrote); the text unchanged when it does not begin with them.
std::string WithoutSubmissionHeaders(const std::string& delivered);

// The report message as the report file writer sends it: 1 when it was handed over; reason,
// when given, gets why not (UTF-8).
int SendMessage(const char* stamp, const char* shop, const char* reportPath,
                std::string* reason = nullptr);

// Runs a program with arguments, standard output captured; nullopt when it could not run or
// did not exit with 0 within the time limit.
std::optional<std::string> Run(const std::vector<std::string>& argv, int timeoutSeconds = 30);

// The message file read by Python's email package (tests/mail/read_message.py); attachments
// are written into folder.
nlohmann::json ParseMessage(const std::filesystem::path& message,
                            const std::filesystem::path& folder);

// The plug-in's code in this process bound to module WARNIK (tests/support/host_fixture.h);
// whatever a test did, every host file is closed and every block given back at its end.
class MailTest : public testsupport::PluginInProcess {
 protected:
  void TearDown() override;
};

// The SMTP server of tests/mail/smtp_server.py on a free loopback port, with one account.
class SmtpServer {
 public:
  struct Config {
    std::string user = "sklep@mail.test";
    std::string password = "tajne-has\xc5\x82o";  // "tajne-hasło" in UTF-8
    bool tls = false;                              // offer STARTTLS (certificate made here)
    bool plainLogin = false;                       // with tls: also accept logins before it
  };
  explicit SmtpServer(const std::filesystem::path& folder, Config config);
  ~SmtpServer();
  SmtpServer(const SmtpServer&) = delete;
  SmtpServer& operator=(const SmtpServer&) = delete;

  bool running() const { return pid_ > 0 && port_ > 0; }
  int port() const { return port_; }
  const std::filesystem::path& spool() const { return spool_; }
  const std::filesystem::path& certificate() const { return certificate_; }
  // The received messages and their envelopes, in order of arrival.
  std::vector<std::filesystem::path> Messages() const;
  nlohmann::json Envelope(const std::filesystem::path& message) const;
  // Stops the server within a bounded time; true when it ended by itself.
  bool Stop();

 private:
  std::filesystem::path spool_;
  std::filesystem::path certificate_;
  int pid_ = -1;
  int input_ = -1;  // the server's standard input: closing it stops the server
  int port_ = 0;
};

}  // namespace mailtest
