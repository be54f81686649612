// Reading a message's header, and the fields the hand-over adds to it.
#include "host/mail/mail_header.h"

#include <algorithm>
#include <cctype>

namespace host {
namespace {

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
    --end;
  return std::string(text.substr(begin, end - begin));
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The mailbox of one address: what stands between < and >, or the whole text.
std::string Mailbox(std::string_view address) {
  const std::size_t open = address.rfind('<');
  if (open != std::string_view::npos) {
    const std::size_t close = address.find('>', open);
    if (close != std::string_view::npos) return Trim(address.substr(open + 1, close - open - 1));
  }
  return Trim(address);
}

// Addresses separated by commas; commas inside quotes or angle brackets do not separate.
std::vector<std::string> SplitAddresses(std::string_view list) {
  std::vector<std::string> addresses;
  std::string current;
  bool quoted = false;
  bool angled = false;
  for (char c : list) {
    if (c == '"' && !angled) quoted = !quoted;
    if (!quoted && c == '<') angled = true;
    if (!quoted && c == '>') angled = false;
    if (c == ',' && !quoted && !angled) {
      addresses.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  addresses.push_back(current);
  std::vector<std::string> mailboxes;
  for (const std::string& address : addresses) {
    std::string mailbox = Mailbox(address);
    if (!mailbox.empty()) mailboxes.push_back(std::move(mailbox));
  }
  return mailboxes;
}

bool UsableMailbox(const std::string& mailbox) {
  return std::none_of(mailbox.begin(), mailbox.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' || u == 0x7F || c == '<' || c == '>' || c == ',';
  });
}

bool HasField(const std::vector<std::pair<std::string, std::string>>& fields, std::string_view name) {
  return std::any_of(fields.begin(), fields.end(), [&](const auto& field) { return SameName(field.first, name); });
}

}  // namespace

// The header fields up to the first empty line, continuation lines joined to their field.
std::vector<std::pair<std::string, std::string>> HeaderFields(std::string_view message) {
  std::vector<std::pair<std::string, std::string>> fields;
  std::size_t position = 0;
  while (position < message.size()) {
    std::size_t end = message.find('\n', position);
    if (end == std::string::npos) end = message.size();
    std::string_view line = message.substr(position, end - position);
    position = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !fields.empty()) {
      fields.back().second += ' ';
      fields.back().second += Trim(line);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    fields.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  }
  return fields;
}

MailAddresses ReadMailAddresses(std::string_view message) {
  MailAddresses addresses;
  const std::pair<std::string, std::string>* from = nullptr;
  const std::pair<std::string, std::string>* to = nullptr;
  const auto fields = HeaderFields(message);
  for (const auto& field : fields) {
    if (from == nullptr && SameName(field.first, "From")) from = &field;
    if (to == nullptr && SameName(field.first, "To")) to = &field;
  }
  if (from == nullptr) {
    addresses.problem = "the message has no From: line";
    return addresses;
  }
  if (to == nullptr) {
    addresses.problem = "the message has no To: line";
    return addresses;
  }
  const std::vector<std::string> senders = SplitAddresses(from->second);
  if (senders.empty()) {
    addresses.problem = "the From: line names no sender";
    return addresses;
  }
  addresses.sender = senders.front();
  addresses.recipients = SplitAddresses(to->second);
  if (addresses.recipients.empty()) {
    addresses.problem = "the To: line names no recipient";
    return addresses;
  }
  if (!UsableMailbox(addresses.sender)) {
    addresses.problem = "the sender \"" + addresses.sender + "\" is not an address";
    return addresses;
  }
  for (const std::string& recipient : addresses.recipients) {
    if (!UsableMailbox(recipient)) {
      addresses.problem = "the recipient \"" + recipient + "\" is not an address";
      return addresses;
    }
  }
  return addresses;
}

std::string SubmissionHeaders(std::string_view header, const std::string& date,
                              const std::string& uniquePart, const std::string& sender) {
  const auto fields = HeaderFields(header);
  const std::size_t firstEnd = header.find('\n');
  const char* lineEnd = firstEnd != std::string_view::npos && firstEnd > 0 && header[firstEnd - 1] == '\r' ? "\r\n" : "\n";
  std::string added;
  if (!HasField(fields, "Date")) added += "Date: " + date + lineEnd;
  if (!HasField(fields, "Message-ID")) {
    const std::size_t at = sender.rfind('@');
    std::string domain = at != std::string::npos ? sender.substr(at + 1) : std::string();
    if (domain.empty() || !UsableMailbox(domain)) domain = "warnik.invalid";
    added += "Message-ID: <" + uniquePart + "@" + domain + ">" + lineEnd;
  }
  return added;
}

}  // namespace host
