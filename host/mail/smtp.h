// One SMTP delivery: what it is given, what it gives back, and the server text and line ends
// it starts from (the delivery itself: host/system/smtp_delivery.h).
#pragma once

#include <string>
#include <vector>

namespace host {

// What the authentication number of the mail service asks for, bit by bit.
enum : int {
  kMailLogIn = 1,       // log in with the login and password
  kMailStartTls = 16,   // STARTTLS before anything else; refused when the server cannot
  kMailTlsAtOnce = 32,  // TLS from the first byte (SMTPS)
  kMailKnownBits = kMailLogIn | kMailStartTls | kMailTlsAtOnce,
};

struct SmtpRequest {
  std::string server;  // "host" or "host:port"; "[v6address]:port" also works
  int authentication = 0;
  std::string login;
  std::string password;
  std::string sender;
  std::vector<std::string> recipients;
  std::string message;             // the message as stored, line ends LF or CRLF
  std::string caFile;              // certificates to trust instead of the system's (empty: system)
  long connectTimeoutSeconds = 15;
  long totalTimeoutSeconds = 60;
};

struct SmtpResult {
  bool delivered = false;
  std::string reason;  // why not, with the server's last reply when there was one
};

// The port used when the server text names none: 465 for TLS from the start, 587 when
// logging in, 25 otherwise.
int DefaultSmtpPort(int authentication);

// The URL libcurl is given for the server text, e.g. "smtp://mail.example.org:587".
// Empty when the server text is unusable.
std::string SmtpUrl(const std::string& server, int authentication);

// The text with every place where the password stands as a value (not inside a longer word:
// its neighbours are no letters or digits) replaced by "***".
std::string MaskPassword(std::string text, const std::string& password);

// The message with every bare LF made CRLF, as SMTP carries it.
std::string ToSmtpLineEnds(const std::string& message);

}  // namespace host
