// The session's terminal: lines shown in UTF-8 and the answers to message boxes.
#pragma once

#include <string>
#include <string_view>

namespace host {

// A line on the terminal, UTF-8 (nothing when the terminal is silenced).
void Say(std::string_view utf8Line);

// True when the emulator may wait for the user: standard input is a terminal and the
// terminal is not silenced.
bool Interactive();

// The answer to a message box: the next scripted --answer; otherwise asked at the terminal;
// when standard input is not a terminal, "abort" and the terminal is told so.
std::string NextAnswer(std::string_view question);

}  // namespace host
