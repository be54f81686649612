// HostRunForm: reads the template (see forms.h), shows the form on the terminal, fills its
// input fields from the data record and takes the answers: the dates of `menu-export FROM TO`
// with F12, ESC for --cancel, otherwise the user at a terminal; with neither, ESC. The result
// is the identifier of the button that closed the form, or 0 when the form could not be run
// (a template it cannot read, a form number that is not the template's, no data record, no
// button for the answer).
#include "host/forms.h"

#include <algorithm>
#include <cstring>
#include <iostream>

#include "host/codepages.h"
#include "host/host.h"
#include "host/services.h"
#include "host/session.h"

namespace host {
namespace {

constexpr std::size_t kElementHeader = 20;
constexpr std::size_t kInputPrefix = 4;
constexpr std::size_t kInputProperties = 18;

std::uint16_t Word(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Long(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

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

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

const FormElement* ButtonWithKey(const FormTemplate& form, std::uint16_t key) {
  for (const auto& element : form.elements) {
    if (element.kind == kFormButton && element.key == key) return &element;
  }
  return nullptr;
}

// The static text standing left of an input field on its row, as its label.
std::string FieldLabel(const FormTemplate& form, const FormElement& field) {
  const FormElement* label = nullptr;
  for (const auto& element : form.elements) {
    if (element.kind == kFormStaticText && element.row == field.row &&
        element.column < field.column && (label == nullptr || element.column > label->column)) {
      label = &element;
    }
  }
  return label != nullptr ? ScreenText(label->text) : "field " + Hex(field.identifier);
}

std::optional<std::string> AskLine(const std::string& prompt) {
  std::cout << prompt << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return std::nullopt;
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer;
}

int FormFailed(int formNumber, const std::string& reason) {
  Say("warnik: form " + std::to_string(formNumber) + " cannot be run: " + reason);
  Journal({{"event", "form"}, {"number", formNumber}, {"error", reason}});
  return 0;
}

}  // namespace

std::optional<std::string> ParseFormTemplate(const unsigned char* bytes, FormTemplate& form) {
  form = FormTemplate{};
  if (bytes == nullptr) return "no template";
  std::uint32_t following = Long(bytes);
  if (following < 4 || following > kLargestFormTemplate - 4) {
    return "the template says " + std::to_string(following) +
           " bytes follow its first count; a form has 4 to " +
           std::to_string(kLargestFormTemplate - 4);
  }
  std::size_t size = 4 + static_cast<std::size_t>(following);
  std::uint16_t rest = Word(bytes + 4);
  if (rest != following - 4) {
    return "the sizes do not add up: " + std::to_string(following) +
           " bytes follow the first count, so " + std::to_string(following - 4) +
           " should follow the element count, not " + std::to_string(rest);
  }
  std::size_t elementCount = Word(bytes + 6);
  std::size_t pos = 8;
  for (std::size_t n = 0; n <= elementCount; ++n) {
    std::string which = n == 0 ? "the frame" : "element " + std::to_string(n);
    FormElement element;
    element.offset = pos;
    if (size - pos < 2) return which + " (at byte " + std::to_string(pos) + ") runs past the end of the template";
    bool input = Word(bytes + pos) == kFormInputField;
    if (input) {
      if (size - pos < kInputPrefix) return which + " runs past the end of the template";
      std::uint16_t length = Word(bytes + pos + 2);
      if (length != kElementHeader + kInputProperties) {
        return which + " is an input field whose header and properties take " +
               std::to_string(length) + " bytes, not " +
               std::to_string(kElementHeader + kInputProperties);
      }
      pos += kInputPrefix;
    }
    if (size - pos < kElementHeader + (input ? kInputProperties : 0)) {
      return which + " (at byte " + std::to_string(element.offset) +
             ") runs past the end of the template";
    }
    const unsigned char* header = bytes + pos;
    element.kind = Word(header);
    element.identifier = Word(header + 2);
    element.flags = Word(header + 4);
    element.key = Word(header + 6);
    element.column = Word(header + 8);
    element.row = Word(header + 10);
    element.width = Word(header + 12);
    element.height = Word(header + 14);
    pos += kElementHeader;
    if (input && element.kind != kFormInputField) {
      return which + " has the prefix of an input field but the kind " + Hex(element.kind);
    }
    if (n == 0 && element.kind != kFormFrame) {
      return "the first element is of kind " + Hex(element.kind) + ", not the frame (0xFFFF)";
    }
    if (n > 0 && element.kind != kFormStaticText && element.kind != kFormButton &&
        element.kind != kFormInputField) {
      return which + " (at byte " + std::to_string(element.offset) + ") has the unknown kind " +
             Hex(element.kind);
    }
    if (input) {
      std::memcpy(element.properties.data(), bytes + pos, kInputProperties);
      element.fieldLength = Word(bytes + pos + 8);
      pos += kInputProperties;
      if (element.fieldLength < 1 || element.fieldLength > 255) {
        return which + " is an input field of length " + std::to_string(element.fieldLength) +
               "; a field holds 1 to 255 characters";
      }
    }
    const void* nul = std::memchr(bytes + pos, '\0', size - pos);
    if (nul == nullptr) return "the text of " + which + " runs past the end of the template";
    std::size_t textLength = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - (bytes + pos));
    element.text.assign(reinterpret_cast<const char*>(bytes + pos), textLength);
    pos += textLength + 1;
    form.elements.push_back(std::move(element));
  }
  if (pos != size) {
    return std::to_string(size - pos) + " bytes are left over after the " +
           std::to_string(elementCount) + " elements the header announces";
  }
  form.size = size;
  return std::nullopt;
}

std::string ButtonKeyName(const FormElement& button) {
  auto start = button.text.find('\x05');
  auto end = start == std::string::npos ? start : button.text.find('\x01', start);
  if (end != std::string::npos && end > start + 1) {
    return MazoviaToUtf8(button.text.substr(start + 1, end - start - 1));
  }
  if (button.key == kFormKeyF12) return "F12";
  if (button.key == kFormKeyEsc) return "ESC";
  return Hex(button.key);
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

int HOSTAPI_CC HostRunForm(const unsigned char* formTemplate, int formNumber, void* data, int) {
  FormTemplate form;
  if (auto error = ParseFormTemplate(formTemplate, form)) return FormFailed(formNumber, *error);
  const FormElement& frame = form.elements.front();
  if (frame.identifier != formNumber) {
    return FormFailed(formNumber, "the template is form " + std::to_string(frame.identifier));
  }
  std::vector<const FormElement*> inputs;
  std::vector<std::size_t> offsets;
  std::size_t recordSize = 0;
  for (const auto& element : form.elements) {
    if (element.kind != kFormInputField) continue;
    inputs.push_back(&element);
    offsets.push_back(recordSize);
    recordSize += static_cast<std::size_t>(element.fieldLength) + 1;
  }
  if (data == nullptr && !inputs.empty()) return FormFailed(formNumber, "no data record");
  auto* record = static_cast<char*>(data);

  std::vector<std::string> values;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const char* text = record + offsets[i];
    values.emplace_back(text, strnlen(text, static_cast<std::size_t>(inputs[i]->fieldLength)));
  }
  for (const auto& line : RenderForm(form, values)) Say(line);

  const Options& session = options();
  std::uint16_t pressedKey = kFormKeyEsc;
  std::string problem;
  if (session.formDates) {
    std::string first = Utf8ToMazovia(session.formDates->first);
    std::string second = Utf8ToMazovia(session.formDates->second);
    if (inputs.size() < 2) {
      return FormFailed(formNumber, "the form has " + std::to_string(inputs.size()) +
                                        " input fields; two dates were given");
    }
    if (first.size() != 8 || second.size() != 8) {
      problem = "the dates must be 8 characters each (dd.mm.yy), not \"" +
                session.formDates->first + "\" and \"" + session.formDates->second + "\"";
      Say("warnik: form " + std::to_string(formNumber) + ": " + problem + "; pressing ESC");
    } else if (inputs[0]->fieldLength < 8 || inputs[1]->fieldLength < 8) {
      return FormFailed(formNumber, "its first two fields do not hold 8 characters");
    } else {
      values[0] = first;
      values[1] = second;
      pressedKey = kFormKeyF12;
    }
  } else if (session.cancelForm) {
    pressedKey = kFormKeyEsc;
  } else if (Interactive()) {
    bool closed = false;
    for (std::size_t i = 0; i < inputs.size() && !closed; ++i) {
      for (;;) {
        auto answer = AskLine(FieldLabel(form, *inputs[i]) + " [" + MazoviaToUtf8(values[i]) + "]: ");
        if (!answer) {
          closed = true;
          break;
        }
        if (answer->empty()) break;
        std::string text = Utf8ToMazovia(*answer);
        if (text.size() <= static_cast<std::size_t>(inputs[i]->fieldLength)) {
          values[i] = text;
          break;
        }
        std::cout << "at most " << inputs[i]->fieldLength << " characters\n";
      }
    }
    std::string choices;
    for (const auto& element : form.elements) {
      if (element.kind != kFormButton) continue;
      choices += (choices.empty() ? "" : ", ") + ScreenText(element.text);
    }
    while (!closed) {
      auto answer = AskLine("press " + choices + " (type the key name): ");
      if (!answer) break;
      const FormElement* chosen = nullptr;
      for (const auto& element : form.elements) {
        if (element.kind == kFormButton && Lower(ButtonKeyName(element)) == Lower(*answer)) {
          chosen = &element;
        }
      }
      if (chosen != nullptr) {
        pressedKey = chosen->key;
        break;
      }
    }
  } else {
    Say("warnik: form " + std::to_string(formNumber) +
        ": no terminal and no answer given, pressing ESC");
  }

  const FormElement* button = ButtonWithKey(form, pressedKey);
  if (button == nullptr) {
    return FormFailed(formNumber, "the form has no button for the key " + Hex(pressedKey));
  }
  nlohmann::json fields = nlohmann::json::array();
  if (button->key != kFormKeyEsc) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      std::size_t length = std::min(values[i].size(), static_cast<std::size_t>(inputs[i]->fieldLength));
      std::memcpy(record + offsets[i], values[i].data(), length);
      record[offsets[i] + length] = '\0';
    }
  }
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const char* text = record + offsets[i];
    fields.push_back(MazoviaToUtf8(std::string(text, strnlen(text, static_cast<std::size_t>(inputs[i]->fieldLength)))));
  }
  nlohmann::json event = {{"event", "form"},       {"number", formNumber},
                          {"title", ScreenText(frame.text)}, {"fields", fields},
                          {"button", button->identifier}, {"key", ButtonKeyName(*button)}};
  if (!problem.empty()) event["error"] = problem;
  Journal(event);
  Say("warnik: form " + std::to_string(formNumber) + " closed with " + ButtonKeyName(*button));
  return button->identifier;
}

}  // namespace host
