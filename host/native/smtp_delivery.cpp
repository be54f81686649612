// One SMTP delivery with libcurl: TLS and login as the authentication number asks, the
// message sent with CRLF line ends, and the server's last reply kept for the reason of a
// failure.
#include "host/system/smtp_delivery.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string_view>

namespace host {
namespace {

void InitialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Upload {
  std::string_view data;
  std::size_t position = 0;
};

std::size_t ReadMessage(char* buffer, std::size_t size, std::size_t count, void* userData) {
  auto* upload = static_cast<Upload*>(userData);
  const std::size_t room = size * count;
  const std::size_t left = upload->data.size() - upload->position;
  const std::size_t n = std::min(room, left);
  std::memcpy(buffer, upload->data.data() + upload->position, n);
  upload->position += n;
  return n;
}

// The server's replies: the last line, and the first refusal (a 4xx or 5xx reply), which is
// what ended the delivery; a QUIT's "221" after it must not hide it.
struct Replies {
  std::string last;
  std::string refusal;
};

// What we send (our commands, the login) is not looked at.
int WatchReplies(CURL*, curl_infotype type, char* data, std::size_t size, void* userData) {
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string_view text(data, size);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  const std::size_t lastBreak = text.find_last_of('\n');
  if (lastBreak != std::string_view::npos) text.remove_prefix(lastBreak + 1);
  while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.empty()) return 0;
  auto* replies = static_cast<Replies*>(userData);
  replies->last = std::string(text);
  if (replies->refusal.empty() && (text[0] == '4' || text[0] == '5')) replies->refusal = replies->last;
  return 0;
}

// The whole delivery's limit, checked by libcurl between its steps also while it waits for
// a reply or says QUIT on closing, which its own total timeout does not cover.
struct Deadline {
  std::chrono::steady_clock::time_point at;
  bool passed = false;
};

int CheckDeadline(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* deadline = static_cast<Deadline*>(userData);
  deadline->passed = deadline->passed || std::chrono::steady_clock::now() >= deadline->at;
  return deadline->passed ? 1 : 0;
}

std::string Bracketed(const std::string& mailbox) { return "<" + mailbox + ">"; }

}  // namespace

SmtpResult DeliverSmtp(const SmtpRequest& request) {
  Deadline deadline{std::chrono::steady_clock::now() + std::chrono::seconds(request.totalTimeoutSeconds)};
  SmtpResult result;
  if (request.authentication & ~kMailKnownBits) {
    result.reason = "unknown authentication number " + std::to_string(request.authentication) +
                    " (known: 1 log in, 16 STARTTLS, 32 TLS from the start, and their sums)";
    return result;
  }
  const std::string url = SmtpUrl(request.server, request.authentication);
  if (url.empty()) {
    result.reason = "the mail server \"" + request.server +
                    "\" is not a host name, or host:port with a port from 1 to 65535";
    return result;
  }
  if ((request.authentication & kMailLogIn) && request.login.empty()) {
    result.reason = "no login given to log in with";
    return result;
  }
  if (request.recipients.empty()) {
    result.reason = "no recipient";
    return result;
  }

  InitialiseCurl();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    result.reason = "the SMTP library could not start";
    return result;
  }

  const std::string body = ToSmtpLineEnds(request.message);
  Upload upload{body};
  const std::string sender = Bracketed(request.sender);
  curl_slist* recipients = nullptr;
  for (const std::string& recipient : request.recipients) {
    recipients = curl_slist_append(recipients, Bracketed(recipient).c_str());
  }
  char error[CURL_ERROR_SIZE] = {};
  Replies replies;

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, request.connectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, request.totalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, request.totalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CheckDeadline);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &deadline);
  // The connection is closed (QUIT) inside the transfer, where the deadline is watched,
  // not later by the cleanup.
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadMessage);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &WatchReplies);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &replies);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  if (request.authentication & kMailStartTls) {
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  }
  if (!request.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, request.caFile.c_str());
  if (request.authentication & kMailLogIn) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, request.login.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
  }

  const CURLcode code = curl_easy_perform(curl);
  if (code == CURLE_OK) {
    result.delivered = true;
  } else if (deadline.passed) {
    result.reason = "timed out: the delivery did not end within " + std::to_string(request.totalTimeoutSeconds) + " s";
  } else {
    result.reason = error[0] != '\0' ? error : curl_easy_strerror(code);
    if (code == CURLE_OPERATION_TIMEDOUT && result.reason.find("timed out") == std::string::npos) {
      result.reason += " (timed out)";
    }
  }
  // The server's refusal is worth adding, its password-like values masked: servers may
  // repeat what they were given.
  if (!result.delivered && !replies.refusal.empty() && result.reason.find(replies.refusal) == std::string::npos) {
    result.reason += " (server: " + MaskPassword(replies.refusal, request.password) + ")";
  }
  curl_slist_free_all(recipients);
  curl_easy_cleanup(curl);
  return result;
}

}  // namespace host
