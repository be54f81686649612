// HostRunForm: reads the template (see form_template.h), shows the form on the terminal, fills its
// input fields from the data record and takes the answers in one of three ways: the dates of
// `menu-export FROM TO` typed into its first two fields and F12 pressed (ESC with --cancel);
// the user at a terminal; or, with neither, ESC. The result is the identifier of the button
// that closed the form, or 0 when the form could not be run (a template it cannot read, a
// form number that is not the template's, no data record, no button for the answer).
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

// A form being run: its template, its input fields with their places in the data record, and
// what the fields hold now (Mazovia).
struct OpenForm {
  int number = 0;
  FormTemplate form;
  std::vector<const FormElement*> inputs;
  std::vector<std::size_t> offsets;
  std::vector<std::string> values;
  char* record = nullptr;
};

// How the form was closed: the key pressed, or why it could not be run at all; problem is a
// fault in the given answer that made it ESC instead.
struct FormAnswer {
  std::uint16_t key = kFormKeyEsc;
  std::string failure;
  std::string problem;
};

// menu-export FROM TO: the two dates typed into the first two fields, then F12, or ESC with
// --cancel (the record keeps what it held, as for any ESC).
FormAnswer TypeTheDates(OpenForm& open, const std::pair<std::string, std::string>& dates, bool cancel) {
  FormAnswer answer;
  const std::string first = Utf8ToMazovia(dates.first);
  const std::string second = Utf8ToMazovia(dates.second);
  if (open.inputs.size() < 2) {
    answer.failure = "the form has " + std::to_string(open.inputs.size()) + " input fields; two dates were given";
  } else if (first.size() != 8 || second.size() != 8) {
    answer.problem = "the dates must be 8 characters each (dd.mm.yy), not \"" + dates.first + "\" and \"" +
                     dates.second + "\"";
    Say("warnik: form " + std::to_string(open.number) + ": " + answer.problem + "; pressing ESC");
  } else if (open.inputs[0]->fieldLength < 8 || open.inputs[1]->fieldLength < 8) {
    answer.failure = "its first two fields do not hold 8 characters";
  } else {
    open.values[0] = first;
    open.values[1] = second;
    answer.key = cancel ? kFormKeyEsc : kFormKeyF12;
    if (cancel) Say("warnik: form " + std::to_string(open.number) + ": dates typed, --cancel: pressing ESC");
  }
  return answer;
}

// The user at a terminal fills the fields one by one (Enter keeps a value, end of input closes
// the form) and names the key of a button.
FormAnswer AskTheUser(OpenForm& open) {
  FormAnswer answer;
  const FormTemplate& form = open.form;
  bool closed = false;
  for (std::size_t i = 0; i < open.inputs.size() && !closed; ++i) {
    for (;;) {
      auto typed = AskLine(FieldLabel(form, *open.inputs[i]) + " [" + MazoviaToUtf8(open.values[i]) + "]: ");
      if (!typed) {
        closed = true;
        break;
      }
      if (typed->empty()) break;
      std::string text = Utf8ToMazovia(*typed);
      if (text.size() <= static_cast<std::size_t>(open.inputs[i]->fieldLength)) {
        open.values[i] = text;
        break;
      }
      std::cout << "at most " << open.inputs[i]->fieldLength << " characters\n";
    }
  }
  std::string choices;
  for (const auto& element : form.elements) {
    if (element.kind != kFormButton) continue;
    choices += (choices.empty() ? "" : ", ") + ScreenText(element.text);
  }
  while (!closed) {
    auto typed = AskLine("press " + choices + " (type the key name): ");
    if (!typed) break;
    for (const auto& element : form.elements) {
      if (element.kind == kFormButton && Lower(ButtonKeyName(element)) == Lower(*typed)) {
        answer.key = element.key;
        return answer;
      }
    }
  }
  return answer;
}

FormAnswer Answer(OpenForm& open) {
  const Options& session = options();
  if (session.formDates) return TypeTheDates(open, *session.formDates, session.cancelForm);
  if (session.cancelForm) return {};
  if (Interactive()) return AskTheUser(open);
  Say("warnik: form " + std::to_string(open.number) + ": no terminal and no answer given, pressing ESC");
  return {};
}

// Closes the form with the button of the key: the typed values go into the record unless it
// is ESC; journalled with the fields as the record then holds them.
int CloseForm(OpenForm& open, const FormAnswer& answer) {
  const FormElement* button = ButtonWithKey(open.form, answer.key);
  if (button == nullptr) {
    return FormFailed(open.number, "the form has no button for the key " + HexNumber(answer.key));
  }
  nlohmann::json fields = nlohmann::json::array();
  for (std::size_t i = 0; i < open.inputs.size(); ++i) {
    const auto room = static_cast<std::size_t>(open.inputs[i]->fieldLength);
    char* text = open.record + open.offsets[i];
    if (button->key != kFormKeyEsc) {
      const std::size_t length = std::min(open.values[i].size(), room);
      std::memcpy(text, open.values[i].data(), length);
      text[length] = '\0';
    }
    fields.push_back(MazoviaToUtf8(std::string(text, strnlen(text, room))));
  }
  nlohmann::json event = {{"event", "form"},
                          {"number", open.number},
                          {"title", ScreenText(open.form.elements.front().text)},
                          {"fields", fields},
                          {"button", button->identifier},
                          {"key", ButtonKeyName(*button)}};
  if (!answer.problem.empty()) event["error"] = answer.problem;
  Journal(event);
  Say("warnik: form " + std::to_string(open.number) + " closed with " + ButtonKeyName(*button));
  return button->identifier;
}

}  // namespace

int HOSTAPI_CC HostRunForm(const unsigned char* formTemplate, int formNumber, void* data, int) {
  OpenForm open;
  open.number = formNumber;
  if (auto error = ParseFormTemplate(formTemplate, open.form)) return FormFailed(formNumber, *error);
  if (open.form.elements.front().identifier != formNumber) {
    return FormFailed(formNumber, "the template is form " + std::to_string(open.form.elements.front().identifier));
  }
  std::size_t recordSize = 0;
  for (const auto& element : open.form.elements) {
    if (element.kind != kFormInputField) continue;
    open.inputs.push_back(&element);
    open.offsets.push_back(recordSize);
    recordSize += static_cast<std::size_t>(element.fieldLength) + 1;
  }
  if (data == nullptr && !open.inputs.empty()) return FormFailed(formNumber, "no data record");
  open.record = static_cast<char*>(data);
  for (std::size_t i = 0; i < open.inputs.size(); ++i) {
    const char* text = open.record + open.offsets[i];
    open.values.emplace_back(text, strnlen(text, static_cast<std::size_t>(open.inputs[i]->fieldLength)));
  }
  for (const auto& line : RenderForm(open.form, open.values)) Say(line);

  const FormAnswer answer = Answer(open);
  if (!answer.failure.empty()) return FormFailed(formNumber, answer.failure);
  return CloseForm(open, answer);
}

}  // namespace host
