// Reading a form template (see form_template.h).
#include "host/forms/form_template.h"

#include <cstring>

#include "host/texts/text_services.h"

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
      return which + " has the prefix of an input field but the kind " + HexNumber(element.kind);
    }
    if (n == 0 && element.kind != kFormFrame) {
      return "the first element is of kind " + HexNumber(element.kind) + ", not the frame (0xFFFF)";
    }
    if (n > 0 && element.kind != kFormStaticText && element.kind != kFormButton &&
        element.kind != kFormInputField) {
      return which + " (at byte " + std::to_string(element.offset) + ") has the unknown kind " +
             HexNumber(element.kind);
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

}  // namespace host
