// The plug-in's MessageBoxA and Sleep in the native build: boxes are shown on the terminal and
// answered from --answer or the user; waits are journalled and, unless --no-wait, waited.
#include "host/system/platform_handlers.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host/messages/render.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/texts/codepages.h"
#include "platform/module_registry.h"

namespace host {
namespace {

int ShowMessageBox(HWND, const char* text, const char* caption, UINT type) {
  std::string captionUtf8 = ConvertCodePage(caption != nullptr ? caption : "", kCodePageWindows, kCodePageUtf8);
  std::string textUtf8 = ConvertCodePage(text != nullptr ? text : "", kCodePageWindows, kCodePageUtf8);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= textUtf8.size()) {
    std::size_t end = textUtf8.find('\n', start);
    if (end == std::string::npos) end = textUtf8.size();
    lines.push_back(textUtf8.substr(start, end - start));
    start = end + 1;
  }
  bool abortRetryIgnore = (type & 0x0F) == MB_ABORTRETRYIGNORE;
  if (abortRetryIgnore) lines.push_back("[Abort] [Retry] [Ignore]");
  ShowFramed(captionUtf8, lines);

  std::string answer = abortRetryIgnore ? NextAnswer("Abort, Retry or Ignore?") : "ok";
  Journal({{"event", "box"}, {"caption", captionUtf8}, {"text", textUtf8}, {"answer", answer}});
  if (answer == "retry") return IDRETRY;
  if (answer == "ignore") return IDIGNORE;
  if (answer == "abort") return IDABORT;
  return IDOK;
}

void Wait(DWORD milliseconds) {
  Journal({{"event", "sleep"}, {"ms", milliseconds}});
  if (!options().instantSleep) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

void InstallPlatformHandlers() {
  PlatformSetMessageBoxHandler(&ShowMessageBox);
  PlatformSetSleepHandler(&Wait);
}

}  // namespace host
