#include "tests/host/mail/scripted_smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace mailtest {
namespace {

bool StartsWith(const std::string& line, const char* command) {
  for (std::size_t i = 0; command[i] != '\0'; ++i) {
    if (i >= line.size() || (line[i] & ~0x20) != (command[i] & ~0x20)) return false;
  }
  return true;
}

}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer(SmtpScript script) : script_(std::move(script)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 4) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

void ScriptedSmtpServer::Serve() {
  while (!stop_) {
    pollfd watch{listener_, POLLIN, 0};
    if (poll(&watch, 1, 50) <= 0) continue;
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    pending_.clear();
    Converse(client);
    close(client);
  }
}

void ScriptedSmtpServer::WaitForStop() {
  while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

bool ScriptedSmtpServer::ReadLine(int client, std::string& line) {
  for (;;) {
    const std::size_t end = pending_.find("\r\n");
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 2);
      return true;
    }
    pollfd watch{client, POLLIN, 0};
    if (stop_) return false;
    if (poll(&watch, 1, 50) <= 0) continue;
    char buffer[65536];
    const ssize_t got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
}

void ScriptedSmtpServer::Send(int client, const std::string& reply) {
  const std::string text = reply + "\r\n";
  (void)send(client, text.data(), text.size(), MSG_NOSIGNAL);
}

void ScriptedSmtpServer::Converse(int client) {
  Send(client, "220 scripted.test ESMTP");
  std::string line;
  while (ReadLine(client, line)) {
    if (StartsWith(line, "EHLO") || StartsWith(line, "HELO")) {
      Send(client, "250-scripted.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME");
    } else if (StartsWith(line, "AUTH")) {
      if (line.find(' ', 5) == std::string::npos) {  // the credentials come on a line of their own
        Send(client, "334 ");
        if (!ReadLine(client, line)) return;
      }
      Send(client, script_.auth);
    } else if (StartsWith(line, "MAIL")) {
      Send(client, script_.mail);
    } else if (StartsWith(line, "RCPT")) {
      Send(client, script_.rcpt);
    } else if (StartsWith(line, "DATA")) {
      Send(client, script_.data);
      if (!script_.data.starts_with("354")) continue;
      if (script_.stall == SmtpScript::kMidData) return WaitForStop();
      while (ReadLine(client, line) && line != ".") {
      }
      if (script_.stall == SmtpScript::kAfterDot) return WaitForStop();
      Send(client, script_.dot);
    } else if (StartsWith(line, "QUIT")) {
      Send(client, "221 2.0.0 Bye");
      return;
    } else {
      Send(client, "250 2.0.0 Ok");
    }
  }
}

}  // namespace mailtest
