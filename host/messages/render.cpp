// How the host shows its message texts on the terminal: markup, tab stops and frames.
#include "host/messages/render.h"

#include <algorithm>

#include "host/session/terminal.h"
#include "host/texts/codepages.h"

namespace host {
namespace {

struct TabStop {
  bool right;
  int column;
};

// One piece of a line: visible text (UTF-8 with its width in columns), a tab, or a change of
// the tab stops.
struct Piece {
  enum Kind { kText, kTab, kStops } kind;
  std::string text;
  int width = 0;
  std::vector<TabStop> stops;
};

// "tl18l33" -> left stop at 18, left stop at 33. Parsing ends at the first thing that is no
// stop.
std::vector<TabStop> ParseStops(std::string_view directive) {
  std::vector<TabStop> stops;
  std::size_t i = 1;  // after the 't'
  while (i < directive.size()) {
    char kind = directive[i];
    if (kind != 'l' && kind != 'p' && kind != 'L' && kind != 'P') break;
    std::size_t digits = i + 1;
    int column = 0;
    while (digits < directive.size() && directive[digits] >= '0' && directive[digits] <= '9') {
      if (column < 10000) column = column * 10 + (directive[digits] - '0');
      ++digits;
    }
    if (digits == i + 1) break;
    stops.push_back({kind == 'p' || kind == 'P', column});
    i = digits;
  }
  return stops;
}

enum class Open { kNothing, kName, kKey };

std::vector<Piece> SplitLine(std::string_view line, Open& open) {
  std::vector<Piece> pieces;
  const auto addText = [&](std::string_view utf8, int width) {
    if (pieces.empty() || pieces.back().kind != Piece::kText) pieces.push_back({Piece::kText, {}, 0, {}});
    pieces.back().text += utf8;
    pieces.back().width += width;
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == 0x02 && open == Open::kNothing) {
      addText("\xC2\xAB", 1);  // «
      open = Open::kName;
    } else if (c == 0x05 && open == Open::kNothing) {
      addText("[", 1);
      open = Open::kKey;
    } else if (c == 0x01) {
      if (open == Open::kName) {
        addText("\xC2\xBB", 1);  // »
        open = Open::kNothing;
      } else if (open == Open::kKey) {
        addText("]", 1);
        open = Open::kNothing;
      } else if (i + 1 < line.size() && line[i + 1] == 't') {
        std::size_t close = line.find('\x01', i + 1);
        if (close != std::string_view::npos) {
          pieces.push_back({Piece::kStops, {}, 0, ParseStops(line.substr(i + 1, close - i - 1))});
          i = close;
        }
      }
      // any other \x01 closes nothing and shows nothing
    } else if (c == '\t') {
      pieces.push_back({Piece::kTab, {}, 0, {}});
    } else if (c >= 0x20) {
      addText(MazoviaToUtf8(line.substr(i, 1)), 1);
    }
  }
  return pieces;
}

std::string LayOut(const std::vector<Piece>& pieces, std::vector<TabStop>& stops) {
  std::string out;
  int column = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (piece.kind == Piece::kStops) {
      stops = piece.stops;
    } else if (piece.kind == Piece::kText) {
      out += piece.text;
      column += piece.width;
    } else {
      int width = 0;
      for (std::size_t j = i + 1; j < pieces.size() && pieces[j].kind != Piece::kTab; ++j) {
        if (pieces[j].kind == Piece::kText) width += pieces[j].width;
      }
      int target = (column / 8 + 1) * 8;
      for (const TabStop& stop : stops) {
        if (stop.column > column) {
          target = stop.right ? std::max(stop.column - width, column + 1) : stop.column;
          break;
        }
      }
      out.append(static_cast<std::size_t>(target - column), ' ');
      column = target;
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> RenderMessage(std::string_view text) {
  std::vector<std::string> lines;
  std::vector<TabStop> stops;
  Open open = Open::kNothing;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(LayOut(SplitLine(line, open), stops));
    start = end + 1;
  }
  return lines;
}

void ShowFramed(std::string_view title, const std::vector<std::string>& lines) {
  Say(std::string("\xE2\x94\x8C\xE2\x94\x80 ") + std::string(title));  // ┌─
  for (const std::string& line : lines) Say(std::string("\xE2\x94\x82 ") + line);  // │
  Say("\xE2\x94\x94\xE2\x94\x80");  // └─
}

}  // namespace host
