// The host session: options, reset of every service group, the journal, the terminal and the
// answers to message boxes; plus the platform's MessageBoxA and Sleep as the host shows them.
#include "host/host.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <thread>

#include "host/codepages.h"
#include "host/messages.h"
#include "host/session.h"
#include "platform/module_registry.h"

namespace host {
namespace {

struct Session {
  Options options;
  std::vector<void (*)()> resets;
  std::ofstream journal;
  std::vector<nlohmann::json> events;
  std::size_t nextAnswer = 0;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

Session& State() {
  static Session session;
  return session;
}

// "a", "abort", "ABORT" -> "abort"; empty when the word is no answer.
std::string AnswerWord(std::string word) {
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* answer : {"abort", "retry", "ignore"}) {
    std::string_view full(answer);
    if (!word.empty() && full.substr(0, word.size()) == word) return std::string(full);
  }
  return {};
}

#if !defined(_WIN32)
// The platform's MessageBoxA and Sleep of the native build; on Win32 they are the system's.
int MessageBoxHandlerImpl(HWND, const char* text, const char* caption, UINT type) {
  std::string captionUtf8 = ConvertCodePage(caption != nullptr ? caption : "", 3, 6);
  std::string textUtf8 = ConvertCodePage(text != nullptr ? text : "", 3, 6);
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

void SleepHandlerImpl(DWORD milliseconds) {
  Journal({{"event", "sleep"}, {"ms", milliseconds}});
  if (!options().instantSleep) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
#endif

// With WARNIK_JOURNAL_PROBE=1 in the environment (the benchmark sets it), every line of the
// journal file also carries "t", the seconds since the session began on a monotonic clock, the
// resident memory now ("rss_kb") and its peak since the previous line ("peak_kb"); the
// kernel's peak mark is reset after each line, so that a peak belongs to the stretch of work
// between two events. Without it the lines are as they always were.
bool JournalProbe() {
  static const bool on = [] {
    const char* value = std::getenv("WARNIK_JOURNAL_PROBE");
    return value != nullptr && std::string_view(value) == "1";
  }();
  return on;
}

void AddMemoryFields(nlohmann::json& line) {
  std::ifstream status("/proc/self/status");
  std::string field;
  long kb = 0;
  while (status >> field) {
    if (field == "VmHWM:" && status >> kb) line["peak_kb"] = kb;
    if (field == "VmRSS:" && status >> kb) line["rss_kb"] = kb;
  }
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

Options& options() { return State().options; }

void OnHostReset(void (*reset)()) {
  auto& resets = State().resets;
  if (std::find(resets.begin(), resets.end(), reset) == resets.end()) resets.push_back(reset);
}

void ResetHost(const Options& newOptions) {
  Session& session = State();
  session.options = newOptions;
  session.nextAnswer = 0;
  session.events.clear();
  session.started = std::chrono::steady_clock::now();
  if (session.journal.is_open()) session.journal.close();
  if (!newOptions.journalFile.empty()) {
    session.journal.open(newOptions.journalFile, std::ios::out | std::ios::trunc | std::ios::binary);
  }
  for (auto reset : session.resets) reset();
  InstallPlatformHandlers();
}

void Journal(const nlohmann::json& event) {
  Session& session = State();
  session.events.push_back(event);
  if (session.journal.is_open()) {
    const auto replace = nlohmann::json::error_handler_t::replace;
    if (JournalProbe() && event.is_object()) {
      nlohmann::json line = event;
      line["t"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - session.started)
                      .count();
      AddMemoryFields(line);
      session.journal << line.dump(-1, ' ', false, replace) << '\n';
    } else {
      session.journal << event.dump(-1, ' ', false, replace) << '\n';
    }
    session.journal.flush();
  }
}

const std::vector<nlohmann::json>& JournalEntries() { return State().events; }

void Say(std::string_view utf8Line) {
  if (options().quietTerminal) return;
  std::cout << utf8Line << '\n' << std::flush;
}

bool Interactive() { return !options().quietTerminal && isatty(STDIN_FILENO) == 1; }

std::string NextAnswer(std::string_view question) {
  Session& session = State();
  if (session.nextAnswer < session.options.answers.size()) {
    std::string scripted = session.options.answers[session.nextAnswer++];
    std::string answer = AnswerWord(scripted);
    if (answer.empty()) {
      Say("  (scripted answer \"" + scripted + "\" is not abort, retry or ignore: abort)");
      return "abort";
    }
    Say("  " + std::string(question) + " " + answer + " (scripted)");
    return answer;
  }
  if (!Interactive()) {
    Say("  " + std::string(question) + " abort (no scripted answer left and no terminal to ask)");
    return "abort";
  }
  for (;;) {
    std::cout << "  " << question << " [a/r/i] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
      std::cout << '\n';
      Say("  (end of input: abort)");
      return "abort";
    }
    std::string answer = AnswerWord(line);
    if (!answer.empty()) return answer;
  }
}

#if !defined(_WIN32)  // the Win32 build's is in host/win32/session.cpp
void InstallPlatformHandlers() {
  PlatformSetMessageBoxHandler(&MessageBoxHandlerImpl);
  PlatformSetSleepHandler(&SleepHandlerImpl);
}
#endif

}  // namespace host
