// An SMTP server on loopback, in a thread of the test, that answers as its script says: it
// refuses at a given command with a given reply, or stalls (stops reading in the middle of the
// message, or never answers its final dot), for the faults the real server of smtp_server.py
// cannot be made to show.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace mailtest {

struct SmtpScript {
  std::string auth = "235 2.7.0 Accepted";
  std::string mail = "250 2.1.0 Ok";
  std::string rcpt = "250 2.1.5 Ok";
  std::string data = "354 End data with <CR><LF>.<CR><LF>";
  std::string dot = "250 2.0.0 Queued";
  enum Stall { kNoStall, kMidData, kAfterDot } stall = kNoStall;
};

class ScriptedSmtpServer {
 public:
  explicit ScriptedSmtpServer(SmtpScript script);
  ~ScriptedSmtpServer();  // stops the thread within a second
  ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
  ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:<port>", as hostSMTP names it.
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void Serve();
  void Converse(int client);
  bool ReadLine(int client, std::string& line);
  void Send(int client, const std::string& reply);
  void WaitForStop();

  SmtpScript script_;
  int listener_ = -1;
  int port_ = 0;
  std::string pending_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace mailtest
