// A form as the terminal shows it.
#pragma once

#include <string>
#include <vector>

#include "host/forms/form_template.h"

namespace host {

// The form drawn for a terminal (UTF-8 lines), with the given Mazovia texts in its input
// fields (template order).
std::vector<std::string> RenderForm(const FormTemplate& form,
                                    const std::vector<std::string>& fieldTexts);

// The key name of a button ("F12", "ESC"): from its text's \x05...\x01 markup, else its key.
std::string ButtonKeyName(const FormElement& button);

// A template text for the screen: Mazovia to UTF-8, the key markup \x05 ... \x01 as <...>,
// other control bytes left out.
std::string ScreenText(const std::string& mazovia);

}  // namespace host
