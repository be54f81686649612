// The terminal and the answers to message boxes.
#include "host/session/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "host/session/session_options.h"

namespace host {
namespace {

struct Answers {
  std::size_t next = 0;  // the next scripted --answer
};

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

}  // namespace

void Say(std::string_view utf8Line) {
  if (options().quietTerminal) return;
  std::cout << utf8Line << '\n' << std::flush;
}

bool Interactive() { return !options().quietTerminal && isatty(STDIN_FILENO) == 1; }

std::string NextAnswer(std::string_view question) {
  Answers& answers = SessionState<Answers>();
  const std::vector<std::string>& scripted = options().answers;
  if (answers.next < scripted.size()) {
    const std::string& given = scripted[answers.next++];
    std::string answer = AnswerWord(given);
    if (answer.empty()) {
      Say("  (scripted answer \"" + given + "\" is not abort, retry or ignore: abort)");
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

}  // namespace host
