// A message's header as the mail hand-over reads it: the sender and recipients, and the
// Date and Message-ID fields a submission server adds when the message has none.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

// The header fields up to the first empty line, continuation lines joined to their field.
std::vector<std::pair<std::string, std::string>> HeaderFields(std::string_view message);

// Sender and recipients as a message's header names them.
struct MailAddresses {
  std::string sender;                   // from the "From:" line
  std::vector<std::string> recipients;  // from the "To:" line, comma separated
  std::string problem;                  // why the message cannot be sent (empty: it can)
};
MailAddresses ReadMailAddresses(std::string_view message);

// The header lines to put before a message whose header has no Date or no Message-ID (as a
// mail submission server does, RFC 6409 8.3): "Date: <date>" and "Message-ID: <id>", each
// ended as the message's first line is (CRLF or LF); empty when it has both. The id is made
// from the date's moment, a unique part and the sender's domain.
std::string SubmissionHeaders(std::string_view header, const std::string& date,
                              const std::string& uniquePart, const std::string& sender);

}  // namespace host
