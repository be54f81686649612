// HostRunForm: reads the template (see form_template.h), shows the form on the terminal, fills its
// input fields from the data record and takes the answers: the dates of `menu-export FROM TO`
// with F12, ESC for --cancel, otherwise the user at a terminal; with neither, ESC. The result
// is the identifier of the button that closed the form, or 0 when the form could not be run
// (a template it cannot read, a form number that is not the template's, no data record, no
// button for the answer).
#include "host/forms/run_form.h"

#include <algorithm>
#include <cstring>
#include <iostream>

#include "host/forms/form_render.h"
#include "host/forms/form_template.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/texts/codepages.h"
#include "host/texts/text_services.h"

namespace host {
namespace {

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
  return label != nullptr ? ScreenText(label->text) : "field " + HexNumber(field.identifier);
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
    return FormFailed(formNumber, "the form has no button for the key " + HexNumber(pressedKey));
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
