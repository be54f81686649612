// The host's form templates, as HostRunForm reads them.
//
// A template is little-endian throughout:
//   header   32 bits  the number of bytes after this count
//            16 bits  the number of bytes after the next count (the first count less 4)
//            16 bits  the number of elements after the frame
//   frame    an element of kind 0xFFFF; its identifier is the form number
//   elements each a 20-byte header (kind, identifier, flags, key, column, row, width,
//            height: 16 bits each; 32 bits reserved) and a NUL-terminated Mazovia text.
//            Kinds: 3 static text, 0 button (key 0x5500 F12, 0x001B ESC), 5 input field.
//            An input field is preceded by 16 bits 5 and 16 bits 38 (header and property
//            block) and has an 18-byte property block between its header and its text;
//            bytes 8-9 of the block are the field's length in characters.
// The frame's column and row are the form's place on the screen; the elements' are inside it.
// Input fields take their texts from the form's data record in template order, each field
// length + 1 bytes (the text and its NUL).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host {

enum : std::uint16_t {
  kFormFrame = 0xFFFF,
  kFormStaticText = 3,
  kFormInputField = 5,
  kFormButton = 0,
  kFormKeyF12 = 0x5500,
  kFormKeyEsc = 0x001B,
};

struct FormElement {
  std::uint16_t kind = 0;
  std::uint16_t identifier = 0;
  std::uint16_t flags = 0;
  std::uint16_t key = 0;
  std::uint16_t column = 0;
  std::uint16_t row = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::string text;                      // Mazovia, as in the template
  std::array<std::uint8_t, 18> properties{};  // input fields only
  int fieldLength = 0;                   // input fields only
  std::size_t offset = 0;                // where the element starts in the template
};

struct FormTemplate {
  std::size_t size = 0;               // bytes in all, header included
  std::vector<FormElement> elements;  // the frame first
};

// Reads a template; the reason when it cannot be read. A template is at most this long.
inline constexpr std::size_t kLargestFormTemplate = 16384;
std::optional<std::string> ParseFormTemplate(const unsigned char* bytes, FormTemplate& form);

}  // namespace host
