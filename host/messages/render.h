// How the emulator shows the host's message texts on the terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// The terminal lines of a Mazovia message text, in UTF-8, with the host's markup applied:
// \x02 name \x01 becomes «name», \x05 key \x01 becomes [key], and a directive \x01t...\x01
// sets tab stops for the rest of the text: "l18" starts the text after a tab 18 columns from
// the margin, "p25" makes it end 25 columns from the margin. A tab with no stop ahead moves to
// the next multiple of 8. Other control characters are dropped; a final line end adds no line.
std::vector<std::string> RenderMessage(std::string_view mazoviaText);

// A framed block on the terminal: the title, then each line.
void ShowFramed(std::string_view titleUtf8, const std::vector<std::string>& linesUtf8);

}  // namespace host
