// The host's mail service and the small services around it: random numbers, the instance
// number and Base64.
//
// HostSendMail takes the sender from the message's "From:" line and the recipients from its
// "To:" line. With --smtp it delivers over SMTP (host/smtp.cpp); otherwise it puts the message
// into the outbox folder, one numbered file per message. The password goes only to the mail
// server, never to the journal or the terminal.
#include "host/mail.h"

#if defined(_WIN32)
#include "host/win32/base64.h"
#else
#include <openssl/evp.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

#include "host/codepages.h"
#include "host/host.h"
#include "host/services.h"
#include "host/smtp.h"

namespace host {
namespace {

struct MailState {
  std::mt19937 random;
  bool seeded = false;
  int instanceNumber = 1;
};

MailState& State() {
  static MailState state;
  return state;
}

struct SmtpSettings {
  std::string caFile;
  long connectTimeout = 15;
  long totalTimeout = 60;
};

SmtpSettings& Smtp() {
  static SmtpSettings settings;
  return settings;
}

void ResetMail() {
  State().seeded = false;
  State().instanceNumber = 1;
}

const bool registered = (OnHostReset(&ResetMail), true);

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

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

// The header fields up to the first empty line, continuation lines joined to their field.
std::vector<std::pair<std::string, std::string>> HeaderFields(const std::string& message) {
  std::vector<std::pair<std::string, std::string>> fields;
  std::size_t position = 0;
  while (position < message.size()) {
    std::size_t end = message.find('\n', position);
    if (end == std::string::npos) end = message.size();
    std::string_view line(message.data() + position, end - position);
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

void Replace(std::string& text, const std::string& secret, std::string_view with) {
  if (secret.empty()) return;
  for (std::size_t at = text.find(secret); at != std::string::npos;
       at = text.find(secret, at + with.size())) {
    text.replace(at, secret.size(), with);
  }
}

std::string DosPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// A closed-on-return C file.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::filesystem::path& file) {
#if defined(_WIN32)
  return File(_wfopen(file.c_str(), L"rb"));
#else
  return File(std::fopen(file.c_str(), "rb"));
#endif
}

// The whole file, read in one piece of its size (the SMTP upload needs it all).
bool ReadWholeFile(const std::filesystem::path& file, std::string* content) {
  File in = OpenForReading(file);
  if (!in) return false;
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  content->clear();
  if (!error) content->reserve(static_cast<std::size_t>(size));
  char chunk[64 * 1024];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) content->append(chunk, got);
  return std::ferror(in.get()) == 0;
}

// The start of a message file up to its first empty line (or all of it when it has none),
// which is where its sender and recipients are; the body is never held in memory for them.
bool ReadHeaderPart(const std::filesystem::path& file, std::string* header) {
  File in = OpenForReading(file);
  if (!in) return false;
  header->clear();
  char chunk[16 * 1024];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, in.get());
    const std::size_t from = header->size() >= 2 ? header->size() - 2 : 0;
    header->append(chunk, got);
    const bool emptyLine = header->starts_with("\n") || header->starts_with("\r\n") ||
                           header->find("\n\n", from) != std::string::npos ||
                           header->find("\n\r\n", from) != std::string::npos;
    if (emptyLine || got < sizeof chunk) break;
  }
  return std::ferror(in.get()) == 0;
}

// Copies the message file into out in large pieces; false on any read or write fault.
bool CopyMessage(const std::filesystem::path& source, std::FILE* out) {
  File in = OpenForReading(source);
  if (!in) return false;
  std::vector<char> buffer(1 << 20);
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
    if (std::fwrite(buffer.data(), 1, got, out) != got) return false;
  }
  return std::ferror(in.get()) == 0;
}

// Puts the message file into the outbox under the next free number; the file is created
// exclusively, so an existing message is never overwritten.
bool DeliverToOutbox(const std::filesystem::path& message, std::filesystem::path* delivered,
                     std::string* reason) {
  const std::filesystem::path outbox = options().outbox.empty() ? "outbox" : options().outbox;
  std::error_code error;
  std::filesystem::create_directories(outbox, error);
  if (error) {
    *reason = "cannot create the outbox folder " + outbox.string() + ": " + error.message();
    return false;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path file = NextOutboxFile(outbox);
#if defined(_WIN32)
    if (std::filesystem::exists(file, error)) continue;
    std::FILE* out = std::fopen(file.string().c_str(), "wb");
#else
    std::FILE* out = std::fopen(file.c_str(), "wbx");
#endif
    if (out == nullptr) {
      if (errno == EEXIST) continue;
      *reason = "cannot create " + file.string() + ": " + std::strerror(errno);
      return false;
    }
    const bool written = CopyMessage(message, out);
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
      std::filesystem::remove(file, error);
      *reason = "cannot write " + file.string();
      return false;
    }
    *delivered = file;
    return true;
  }
  *reason = "no free file name in the outbox folder " + outbox.string();
  return false;
}

}  // namespace

void SetInstanceNumber(int number) { State().instanceNumber = number; }

void SetSmtpCaFile(const std::filesystem::path& file) { Smtp().caFile = file.string(); }

void SetSmtpTimeouts(long connectSeconds, long totalSeconds) {
  Smtp().connectTimeout = connectSeconds;
  Smtp().totalTimeout = totalSeconds;
}

MailAddresses ReadMailAddresses(const std::string& message) {
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

std::filesystem::path NextOutboxFile(const std::filesystem::path& outbox) {
  long highest = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator it(outbox, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 5 || name.size() > 14 || name.substr(name.size() - 4) != ".eml") continue;
    const std::string digits = name.substr(0, name.size() - 4);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    highest = std::max(highest, std::stol(digits));
  }
  char name[32];
  std::snprintf(name, sizeof name, "%04ld.eml", highest + 1);
  return outbox / name;
}

int HOSTAPI HostRandom(int bound) {
  (void)registered;
  MailState& state = State();
  if (!state.seeded) {
    state.random.seed(options().seed ? *options().seed : std::random_device{}());
    state.seeded = true;
  }
  if (bound <= 1) return 0;
  // Rejection keeps every value equally likely and the sequence the same on every platform
  // for one seed.
  const std::uint64_t range = std::uint64_t{1} << 32;
  const std::uint64_t limit = range - range % static_cast<std::uint64_t>(bound);
  std::uint64_t value = state.random();
  while (value >= limit) value = state.random();
  return static_cast<int>(value % static_cast<std::uint64_t>(bound));
}

int* HOSTAPI HostInstanceNumber() { return &State().instanceNumber; }

char* HOSTAPI HostBase64Encode(const void* data, int length) {
  if (length < 0 || (data == nullptr && length > 0)) return nullptr;
  const std::size_t size = 4 * ((static_cast<std::size_t>(length) + 2) / 3) + 1;
  if (size > static_cast<std::size_t>(INT_MAX)) return nullptr;
  auto* text = static_cast<unsigned char*>(HostAlloc(static_cast<int>(size)));
  if (text == nullptr) return nullptr;
#if defined(_WIN32)
  const int written =
      win32::EncodeBase64(reinterpret_cast<char*>(text), static_cast<const unsigned char*>(data), length);
  if (written < 0) {
    HostFree(text);
    return nullptr;
  }
#else
  const int written =
      length > 0 ? EVP_EncodeBlock(text, static_cast<const unsigned char*>(data), length) : 0;
#endif
  text[written] = '\0';
  return reinterpret_cast<char*>(text);
}

int HOSTAPI HostSendMail(const char* messageFile, int, const char* server, const char* login,
                         const char* password, int authentication) {
  (void)registered;
  const std::string file = Text(messageFile);
  const std::string serverText = MazoviaToUtf8(Text(server));
  const std::string loginText = MazoviaToUtf8(Text(login));
  const std::string passwordText = MazoviaToUtf8(Text(password));

  nlohmann::json event = {{"event", "mail"},
                          {"file", MazoviaToUtf8(file)},
                          {"server", serverText},
                          {"login", loginText},
                          {"authentication", authentication},
                          {"via", options().smtp ? "smtp" : "outbox"}};

  bool delivered = false;
  std::string reason;
  std::string where;
  const std::filesystem::path messagePath = DosPath(file);
  const std::string unreadable = "the message file " + MazoviaToUtf8(file) + " cannot be read";
  std::string header;
  if (file.empty() || !ReadHeaderPart(messagePath, &header)) {
    reason = unreadable;
  } else {
    MailAddresses addresses = ReadMailAddresses(header);
    addresses.sender = MazoviaToUtf8(addresses.sender);
    for (std::string& recipient : addresses.recipients) recipient = MazoviaToUtf8(recipient);
    event["from"] = addresses.sender;
    event["to"] = addresses.recipients;
    if (!addresses.problem.empty()) {
      reason = MazoviaToUtf8(addresses.problem);
    } else if (options().smtp) {
      SmtpRequest request;
      if (!ReadWholeFile(messagePath, &request.message)) {
        reason = unreadable;
      } else {
        request.server = serverText;
        request.authentication = authentication;
        request.login = loginText;
        request.password = passwordText;
        request.sender = addresses.sender;
        request.recipients = addresses.recipients;
        request.caFile = Smtp().caFile;
        request.connectTimeoutSeconds = Smtp().connectTimeout;
        request.totalTimeoutSeconds = Smtp().totalTimeout;
        const SmtpResult result = DeliverSmtp(request);
        delivered = result.delivered;
        reason = result.reason;
        where = "the mail server " + serverText;
      }
    } else {
      std::filesystem::path outboxFile;
      delivered = DeliverToOutbox(messagePath, &outboxFile, &reason);
      if (delivered) {
        event["outboxFile"] = outboxFile.generic_string();
        where = outboxFile.generic_string();
      }
    }
  }

  Replace(reason, passwordText, "***");
  event["delivered"] = delivered;
  if (!delivered) event["reason"] = reason;
  Journal(event);
  if (delivered) {
    Say("Mail " + MazoviaToUtf8(file) + " delivered to " + where + ".");
  } else {
    Say("Mail " + MazoviaToUtf8(file) + " not delivered: " + reason);
  }
  return delivered ? 1 : 0;
}

}  // namespace host
