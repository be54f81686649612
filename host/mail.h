// The host's mail service and its kin (random numbers, the instance number, Base64): what
// tests and warnik may set beyond the session options, and the parts worth testing alone.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace host {

// The integer HostInstanceNumber points to; 1 at the start of every session.
void SetInstanceNumber(int number);

// Certificates trusted for TLS to the mail server instead of the system's (empty: the
// system's); kept until changed.
void SetSmtpCaFile(const std::filesystem::path& file);

// Connect and total time limits of one SMTP delivery, in seconds; kept until changed.
void SetSmtpTimeouts(long connectSeconds, long totalSeconds);

// Sender and recipients as a message's header names them.
struct MailAddresses {
  std::string sender;                   // from the "From:" line
  std::vector<std::string> recipients;  // from the "To:" line, comma separated
  std::string problem;                  // why the message cannot be sent (empty: it can)
};
MailAddresses ReadMailAddresses(const std::string& message);

// The outbox file the next message goes to: one more than the highest "NNNN.eml" there.
std::filesystem::path NextOutboxFile(const std::filesystem::path& outbox);

}  // namespace host
