// The mail server text as a URL and the message with SMTP's line ends: what every build's
// SMTP delivery starts from.
#include "host/mail/smtp.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace host {
namespace {

bool HostNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool ParsePort(std::string_view text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  *port = value;
  return true;
}

}  // namespace

int DefaultSmtpPort(int authentication) {
  if (authentication & kMailTlsAtOnce) return 465;
  if (authentication & kMailLogIn) return 587;
  return 25;
}

std::string SmtpUrl(const std::string& server, int authentication) {
  std::string_view text = server;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  if (text.empty()) return {};

  std::string host;
  int port = DefaultSmtpPort(authentication);
  if (text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return {};
    const std::string_view address = text.substr(1, close - 1);
    if (!std::all_of(address.begin(), address.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
        }))
      return {};
    host = "[" + std::string(address) + "]";
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && (rest.front() != ':' || !ParsePort(rest.substr(1), &port))) return {};
  } else {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    if (name.empty() || !std::all_of(name.begin(), name.end(), HostNameCharacter)) return {};
    if (colon != std::string_view::npos && !ParsePort(text.substr(colon + 1), &port)) return {};
    host = std::string(name);
  }
  const char* scheme = (authentication & kMailTlsAtOnce) ? "smtps://" : "smtp://";
  return scheme + host + ":" + std::to_string(port);
}

std::string MaskPassword(std::string text, const std::string& password) {
  if (password.empty()) return text;
  // A letter or digit of any script: ASCII ones, and every byte of a UTF-8 character beyond.
  const auto wordByte = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80) != 0; };
  static constexpr std::string_view kMask = "***";
  for (std::size_t at = text.find(password); at != std::string::npos; at = text.find(password, at)) {
    const std::size_t end = at + password.size();
    const bool alone = (at == 0 || !wordByte(text[at - 1]) || !wordByte(password.front())) &&
                       (end == text.size() || !wordByte(text[end]) || !wordByte(password.back()));
    if (!alone) {
      ++at;
      continue;
    }
    text.replace(at, password.size(), kMask);
    at += kMask.size();
  }
  return text;
}

std::string ToSmtpLineEnds(const std::string& message) {
  std::string out;
  out.reserve(message.size() + message.size() / 40 + 2);
  std::size_t from = 0;
  for (std::size_t lf = message.find('\n'); lf != std::string::npos; lf = message.find('\n', lf + 1)) {
    if (lf > 0 && message[lf - 1] == '\r') continue;
    out.append(message, from, lf - from);
    out += "\r\n";
    from = lf + 1;
  }
  out.append(message, from, std::string::npos);
  return out;
}

}  // namespace host
