// The message services: boxes, notices and alerts, shown on the terminal in UTF-8 and
// journalled as the host received them (markup kept).
#include "host/messages/message_services.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

#include "host/messages/render.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/texts/codepages.h"

namespace host {
namespace {

struct Notices {
  std::vector<OpenNotice> open;  // oldest first
};

std::vector<OpenNotice>& OpenOnes() { return SessionState<Notices>().open; }

// A box waits for the user only when there is one at the terminal.
void WaitForEnter() {
  if (!Interactive()) return;
  std::cout << "  (Enter) " << std::flush;
  std::string line;
  std::getline(std::cin, line);
}

std::string Text(const char* mazovia) { return mazovia != nullptr ? MazoviaToUtf8(mazovia) : ""; }

void Show(const char* title, const char* text, int style) {
  const char* shownText = text != nullptr ? text : "";
  Journal({{"event", "message"}, {"title", Text(title)}, {"text", Text(shownText)}, {"style", style}});
  std::string heading = Text(title);
  if (style == kStyleNotice) {
    OpenOnes().push_back({Text(title), Text(shownText)});
    heading += " (notice)";
  }
  ShowFramed(heading, RenderMessage(shownText));
  if (style != kStyleNotice) WaitForEnter();
}

// Formats with a bounded vsnprintf: measured first, then written into a buffer of that size.
std::string Format(const char* format, va_list values) {
  if (format == nullptr) return {};
  va_list measure;
  va_copy(measure, values);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return format;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, values);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

const std::vector<OpenNotice>& OpenNotices() { return OpenOnes(); }

int HOSTAPI HostShowMessage(const char* title, const char* text, int style) {
  Show(title, text, style);
  return 0;
}

int HOSTAPI_CC HostShowMessageF(const char* title, const char* format, int style, ...) {
  va_list values;
  va_start(values, style);
  std::string text = Format(format, values);
  va_end(values);
  Show(title, text.c_str(), style);
  return 0;
}

int HOSTAPI HostShowMessageV(int, const char* title, const char* format, int style, va_list values) {
  std::string text = Format(format, values);
  Show(title, text.c_str(), style);
  return 0;
}

int HOSTAPI HostAlert(const char* text) {
  Journal({{"event", "alert"}, {"text", Text(text)}});
  ShowFramed("!", RenderMessage(text != nullptr ? text : ""));
  WaitForEnter();
  return 0;
}

// Closes the most recent notice still open; 0 when one was closed, -1 when none was open.
int HOSTAPI HostCloseMessage() {
  auto& notices = OpenOnes();
  if (notices.empty()) {
    Journal({{"event", "close-message"}, {"title", ""}, {"closed", false}});
    return -1;
  }
  std::string title = notices.back().title;
  notices.pop_back();
  Journal({{"event", "close-message"}, {"title", title}, {"closed", true}});
  Say("(notice closed: " + title + ")");
  return 0;
}

}  // namespace host
