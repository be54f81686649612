// The emulator's form template reader on arbitrary bytes, in a buffer exactly as long as the
// input, so that a read past what the template claims (or past the input) is a finding. When
// the template reads, it is drawn with field texts of each field's length.
#include <cstring>
#include <string>
#include <vector>

#include "host/forms/form_template.h"
#include "host/forms/form_render.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8 || size > host::kLargestFormTemplate) return 0;
  std::vector<unsigned char> bytes(data, data + size);
  // Mostly let the counts match the input, so the fuzzer spends its time on the elements;
  // when the first byte is odd the counts stay as given (only within the input's length).
  std::uint32_t following = 0;
  std::memcpy(&following, bytes.data(), 4);
  if ((bytes[0] & 1) == 0 || following > size - 4) {
    following = static_cast<std::uint32_t>(size - 4);
    std::memcpy(bytes.data(), &following, 4);
    std::uint16_t rest = static_cast<std::uint16_t>(following - 4);
    std::memcpy(bytes.data() + 4, &rest, 2);
  }
  host::FormTemplate form;
  if (host::ParseFormTemplate(bytes.data(), form)) return 0;
  std::vector<std::string> texts;
  for (const auto& element : form.elements) {
    if (element.kind == host::kFormInputField) {
      texts.emplace_back(static_cast<std::size_t>(element.fieldLength > 0 ? element.fieldLength : 0) % 512, '\xA7');
    }
    if (element.kind == host::kFormButton) (void)host::ButtonKeyName(element);
  }
  (void)host::RenderForm(form, texts);
  return 0;
}
