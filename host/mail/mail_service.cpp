// The mail service. HostSendMail takes the sender from the message's "From:" line and the
// recipients from its "To:" line. With --smtp it delivers over SMTP; otherwise it puts the
// message into the outbox folder, one numbered file per message. Either way a Date and a
// Message-ID are added in front when the message has none, as a submission server does; the
// message file itself stays as the plug-in wrote it. The password goes only to the mail
// server, never to the journal or the terminal (where a server's reply repeats it, "***"
// stands in its place).
#include "host/mail/mail_service.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "host/dates/clock.h"
#include "host/mail/mail_header.h"
#include "host/mail/outbox.h"
#include "host/program/instance_number.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/system/smtp_delivery.h"
#include "host/texts/codepages.h"

namespace host {
namespace {

struct SmtpSettings {
  std::string caFile;
  long connectTimeout = 15;
  long totalTimeout = 60;
};

SmtpSettings& Smtp() {
  static SmtpSettings settings;
  return settings;
}

// Message-IDs of this session: the same ones again for the same --seed and clock.
struct MessageIds {
  std::mt19937_64 generator;
  bool seeded = false;
};

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::string DosPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// The whole file, appended to content (the SMTP upload needs it all).
bool ReadWholeFile(const std::filesystem::path& file, std::string* content) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (!error) content->reserve(content->size() + static_cast<std::size_t>(size));
  char chunk[64 * 1024];
  while (in) {
    in.read(chunk, sizeof chunk);
    content->append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}

// The start of a message file up to its first empty line (or all of it when it has none),
// which is where its sender and recipients are; the body is never held in memory for them.
bool ReadHeaderPart(const std::filesystem::path& file, std::string* header) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  header->clear();
  char chunk[16 * 1024];
  for (;;) {
    in.read(chunk, sizeof chunk);
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    const std::size_t from = header->size() >= 2 ? header->size() - 2 : 0;
    header->append(chunk, got);
    const bool emptyLine = header->starts_with("\n") || header->starts_with("\r\n") ||
                           header->find("\n\n", from) != std::string::npos ||
                           header->find("\n\r\n", from) != std::string::npos;
    if (emptyLine || got < sizeof chunk) break;
  }
  return !in.bad();
}

// The part of a Message-ID before its "@": the moment, the instance number and 64 random bits.
std::string UniquePart() {
  MessageIds& ids = SessionState<MessageIds>();
  if (!ids.seeded) {
    ids.generator.seed(options().seed ? *options().seed ^ 0x4D7367u : std::random_device{}());
    ids.seeded = true;
  }
  const CivilDate today = HostToday();
  const ClockTime now = HostNow();
  char text[80];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.%d.%016" PRIx64, today.year, today.month,
                today.day, now.hour, now.minute, now.second, *HostInstanceNumber(),
                static_cast<std::uint64_t>(ids.generator()));
  return text;
}

}  // namespace

void SetSmtpCaFile(const std::filesystem::path& file) { Smtp().caFile = file.string(); }

void SetSmtpTimeouts(long connectSeconds, long totalSeconds) {
  Smtp().connectTimeout = connectSeconds;
  Smtp().totalTimeout = totalSeconds;
}

int HOSTAPI HostSendMail(const char* messageFile, int, const char* server, const char* login,
                         const char* password, int authentication) {
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
    const std::string added = SubmissionHeaders(header, MailDateText(), UniquePart(), addresses.sender);
    addresses.sender = MazoviaToUtf8(addresses.sender);
    for (std::string& recipient : addresses.recipients) recipient = MazoviaToUtf8(recipient);
    event["from"] = addresses.sender;
    event["to"] = addresses.recipients;
    if (!addresses.problem.empty()) {
      reason = MazoviaToUtf8(addresses.problem);
    } else if (options().smtp) {
      SmtpRequest request;
      request.message = added;
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
      const std::filesystem::path outbox = options().outbox.empty() ? "outbox" : options().outbox;
      delivered = DeliverToOutbox(outbox, messagePath, added, &outboxFile, &reason);
      if (delivered) {
        event["outboxFile"] = outboxFile.generic_string();
        where = outboxFile.generic_string();
      }
    }
  }

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
