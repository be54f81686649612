// A form drawn for the terminal.
#include "host/forms/form_render.h"

#include <algorithm>

#include "host/texts/codepages.h"
#include "host/texts/text_services.h"

namespace host {
namespace {

// UTF-8 characters of a text, one string each, for placing on the grid.
std::vector<std::string> Characters(const std::string& utf8) {
  std::vector<std::string> characters;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80 && !characters.empty()) {
      characters.back() += c;
    } else {
      characters.emplace_back(1, c);
    }
  }
  return characters;
}

}  // namespace

// A text for the screen: Mazovia to UTF-8, the key markup \x05 ... \x01 as <...>, other
// control bytes left out.
std::string ScreenText(const std::string& mazovia) {
  std::string shown;
  for (char c : mazovia) {
    if (c == '\x05') {
      shown += '<';
    } else if (c == '\x01') {
      shown += '>';
    } else if (static_cast<unsigned char>(c) >= 0x20) {
      shown += c;
    }
  }
  return MazoviaToUtf8(shown);
}

std::string ButtonKeyName(const FormElement& button) {
  auto start = button.text.find('\x05');
  auto end = start == std::string::npos ? start : button.text.find('\x01', start);
  if (end != std::string::npos && end > start + 1) {
    return MazoviaToUtf8(button.text.substr(start + 1, end - start - 1));
  }
  if (button.key == kFormKeyF12) return "F12";
  if (button.key == kFormKeyEsc) return "ESC";
  return HexNumber(button.key);
}

std::vector<std::string> RenderForm(const FormTemplate& form,
                                    const std::vector<std::string>& fieldTexts) {
  if (form.elements.empty()) return {};
  const FormElement& frame = form.elements.front();
  // A terminal shows at most this much of a form; the rest is cut off.
  std::size_t width = std::clamp<std::size_t>(frame.width, 4, 160);
  std::size_t height = std::clamp<std::size_t>(frame.height, 3, 60);
  std::vector<std::vector<std::string>> grid(height, std::vector<std::string>(width, " "));
  for (std::size_t x = 0; x < width; ++x) grid[0][x] = grid[height - 1][x] = "-";
  for (std::size_t y = 0; y < height; ++y) grid[y][0] = grid[y][width - 1] = "|";
  grid[0][0] = grid[0][width - 1] = grid[height - 1][0] = grid[height - 1][width - 1] = "+";

  auto place = [&](std::size_t row, std::size_t column, const std::string& utf8,
                   std::size_t limit) {
    if (row >= height) return;
    std::size_t x = column;
    for (const auto& character : Characters(utf8)) {
      if (x >= width - 1 || x >= column + limit) break;
      if (x >= 1) grid[row][x] = character;
      ++x;
    }
  };
  std::string title = " " + ScreenText(frame.text) + " ";
  place(0, 2, title, width);

  std::size_t field = 0;
  for (std::size_t i = 1; i < form.elements.size(); ++i) {
    const FormElement& element = form.elements[i];
    std::size_t room = element.width == 0 ? width : element.width;
    if (element.kind == kFormInputField) {
      std::string value = field < fieldTexts.size() ? MazoviaToUtf8(fieldTexts[field]) : "";
      ++field;
      std::string box = "[" + value;
      std::size_t shown = Characters(value).size();
      for (std::size_t k = shown + 2; k < room; ++k) box += ' ';
      box += "]";
      place(element.row, element.column, box, room < shown + 2 ? shown + 2 : room);
    } else {
      place(element.row, element.column, ScreenText(element.text), room);
    }
  }
  std::vector<std::string> lines;
  for (const auto& row : grid) {
    std::string line;
    for (const auto& cell : row) line += cell;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace host
