// Settings files as lines of INI text (see ini_document.h).
#include "host/settings/ini_document.h"

#include "host/settings/known_settings.h"

namespace host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

enum class Kind { Other, Section, Key };
struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;
  std::size_t valueStart = 0;  // Key: where the value (with its spaces) begins in the text
};

Parsed Parse(const std::string& text) {
  Parsed parsed;
  std::string_view line = text;
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start == line.size() || line[start] == ';' || line[start] == '#') return parsed;
  if (line[start] == '[') {
    std::size_t close = line.find(']', start);
    if (close == std::string_view::npos) return parsed;
    parsed.kind = Kind::Section;
    parsed.name = Trim(line.substr(start + 1, close - start - 1));
    return parsed;
  }
  std::size_t equals = line.find('=', start);
  if (equals == std::string_view::npos) return parsed;
  parsed.name = Trim(line.substr(start, equals - start));
  if (parsed.name.empty()) return parsed;
  parsed.kind = Kind::Key;
  parsed.valueStart = equals + 1;
  return parsed;
}

std::string DecodeValue(std::string_view stored) {
  stored = Trim(stored);
  if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"') {
    stored = stored.substr(1, stored.size() - 2);
  }
  return std::string(stored);
}

std::string EncodeValue(const std::string& value) {
  bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                  (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  return quote ? "\"" + value + "\"" : value;
}

}  // namespace

IniDocument::IniDocument(std::string_view content) {
  if (content.starts_with("\xEF\xBB\xBF")) {
    byteOrderMark_ = content.substr(0, 3);
    content.remove_prefix(3);
  }
  bool firstEnd = true;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t stop = content.find_first_of("\r\n", start);
    Line line;
    if (stop == std::string_view::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      line.text = content.substr(start, stop - start);
      // CRs and the LF after them end one line (LF, CRLF, CR CR LF); CRs with no LF after them
      // end a line each (a file with CR alone).
      std::size_t after = stop;
      while (after < content.size() && content[after] == '\r') ++after;
      if (after < content.size() && content[after] == '\n') {
        ++after;
      } else if (content[stop] == '\r') {
        after = stop + 1;
      }
      line.end = content.substr(stop, after - stop);
      start = after;
      if (firstEnd) newLine_ = line.end;
      firstEnd = false;
    }
    lines_.push_back(std::move(line));
  }
}

IniDocument::Location IniDocument::Locate(std::string_view section, std::string_view key) const {
  Location location;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Parsed parsed = Parse(lines_[i].text);
    if (parsed.kind == Kind::Section) {
      if (location.sectionFound) break;
      location.sectionFound = SameSettingName(parsed.name, section);
    } else if (location.sectionFound && !location.keyFound && parsed.kind == Kind::Key &&
               SameSettingName(parsed.name, key)) {
      location.keyFound = true;
      location.keyLine = i;
    }
    if (location.sectionFound) location.sectionEnd = i + 1;
  }
  return location;
}

bool IniDocument::Find(std::string_view section, std::string_view key, std::string* value,
                       bool* sectionFound) const {
  const Location location = Locate(section, key);
  *sectionFound = location.sectionFound;
  if (!location.keyFound) return false;
  const std::string& text = lines_[location.keyLine].text;
  *value = DecodeValue(std::string_view(text).substr(Parse(text).valueStart));
  return true;
}

void IniDocument::Set(std::string_view section, std::string_view key, const std::string& value) {
  const Location location = Locate(section, key);
  const std::string stored = EncodeValue(value);
  auto endLine = [&](std::size_t index) {
    if (lines_[index].end.empty()) lines_[index].end = newLine_;
  };

  if (location.keyFound) {
    Line& line = lines_[location.keyLine];
    std::size_t start = Parse(line.text).valueStart;
    while (start < line.text.size() && IsBlank(line.text[start])) ++start;
    line.text = line.text.substr(0, start) + stored;
  } else if (location.sectionFound) {
    // After the section's last line that is not blank, so that a blank line between
    // sections stays where it was.
    std::size_t after = location.sectionEnd;
    while (after > 0 && Trim(lines_[after - 1].text).empty()) --after;
    endLine(after - 1);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after),
                          Line{std::string(key) + "=" + stored, newLine_});
  } else {
    if (!lines_.empty()) {
      endLine(lines_.size() - 1);
      if (!Trim(lines_.back().text).empty()) lines_.push_back({"", newLine_});
    }
    lines_.push_back({"[" + std::string(section) + "]", newLine_});
    lines_.push_back({std::string(key) + "=" + stored, newLine_});
  }

}

std::string IniDocument::Text() const {
  std::size_t size = byteOrderMark_.size();
  for (const Line& line : lines_) size += line.text.size() + line.end.size();
  std::string content;
  content.reserve(size);
  content += byteOrderMark_;
  for (const Line& line : lines_) {
    content += line.text;
    content += line.end;
  }
  return content;
}

}  // namespace host
