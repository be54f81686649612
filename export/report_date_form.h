// The report date form: the template the menu action hands to HostRunForm, 306 bytes in the
// host's form format (little-endian), built at compile time so that every byte is visible
// here and every count is checked by the compiler.
//
//   header   32-bit 302 (bytes that follow), 16-bit 298 (bytes after the next field),
//            16-bit 7 (elements after the frame)
//   element  16-bit kind, identifier, flags, key, column, row, width, height; 32-bit 0;
//            then its zero-terminated Mazovia text. An input field has a 4-byte prefix
//            (kind 5, 38) before its element header and an 18-byte property block after it.
#pragma once

#include <array>
#include <cstddef>

inline constexpr int kReportDateFormSize = 306;
inline constexpr int kReportDateFormNumber = 1001;  // the frame's identifier
inline constexpr int kReportDateFormRun = 0x5001;     // "F12 Wykonaj"
inline constexpr int kReportDateFormCancel = 0x5002;  // "ESC Anuluj"

// The data record of the report date form: two host date texts with their NULs.
struct ReportDateRange {
  char start[9];
  char end[9];
};
static_assert(sizeof(ReportDateRange) == 18, "the date record is 18 bytes");

// Where the parts stand in the template (byte offsets), for readers and tests.
inline constexpr int kFormFrameOffset = 8;
inline constexpr int kFormStartFieldPrefixOffset = 129;
inline constexpr int kFormStartFieldOffset = 133;  // its element header
inline constexpr int kFormEndFieldPrefixOffset = 196;
inline constexpr int kFormEndFieldOffset = 200;
inline constexpr int kFormRunButtonOffset = 239;
inline constexpr int kFormCancelButtonOffset = 273;

namespace report_date_form_detail {

enum : unsigned { kFrame = 0xFFFF, kStaticText = 3, kInputField = 5, kButton = 0 };
enum : unsigned { kKeyF12 = 0x5500, kKeyEsc = 0x001B, kInputFlags = 0x0400 };
inline constexpr int kElementHeaderSize = 20;
inline constexpr int kPropertyBlockSize = 18;

// The input fields' property block, as the host expects it.
inline constexpr unsigned char kDateFieldProperties[kPropertyBlockSize] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x08, 0x02, 0x00, 0x00, 0x08, 0x00, 0x01, 0x00};

struct Builder {
  std::array<unsigned char, kReportDateFormSize> bytes{};
  int length = 0;

  // Writing past the template's size is not a constant expression: the build stops.
  constexpr void Byte(unsigned value) { bytes.at(static_cast<std::size_t>(length++)) = static_cast<unsigned char>(value & 0xFF); }
  constexpr void U16(unsigned value) {
    Byte(value);
    Byte(value >> 8);
  }
  constexpr void U32(unsigned value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  constexpr void Text(const char* text) {
    for (; *text != '\0'; ++text) Byte(static_cast<unsigned char>(*text));
    Byte(0);
  }
  constexpr void Header(unsigned kind, unsigned id, unsigned flags, unsigned key, unsigned column,
                        unsigned row, unsigned width, unsigned height) {
    U16(kind);
    U16(id);
    U16(flags);
    U16(key);
    U16(column);
    U16(row);
    U16(width);
    U16(height);
    U32(0);
  }
  constexpr void Element(unsigned kind, unsigned id, unsigned key, unsigned column, unsigned row,
                         unsigned width, unsigned height, const char* text) {
    Header(kind, id, 0, key, column, row, width, height);
    Text(text);
  }
  constexpr void InputField(unsigned id, unsigned column, unsigned row, unsigned width) {
    U16(kInputField);
    U16(kElementHeaderSize + kPropertyBlockSize);
    Header(kInputField, id, kInputFlags, 0, column, row, width, 1);
    for (unsigned char b : kDateFieldProperties) Byte(b);
    Text("");
  }
};

constexpr Builder BuildReportDateForm() {
  Builder form;
  form.U32(kReportDateFormSize - 4);
  form.U16(kReportDateFormSize - 8);
  form.U16(7);
  form.Element(kFrame, kReportDateFormNumber, 0, 0, 0, 49, 11, "Data raportu");
  form.Element(kStaticText, 0x4102, 0, 2, 2, 47, 1,
               "Wykonaj raport kart lojalno\x9E" "ciowych za dni:");
  form.Element(kStaticText, 0x4103, 0, 4, 4, 4, 1, "Od:");
  form.InputField(0x4104, 9, 4, 12);
  form.Element(kStaticText, 0x4105, 0, 23, 4, 4, 1, "Do:");
  form.InputField(0x4106, 27, 4, 12);
  form.Element(kButton, kReportDateFormRun, kKeyF12, 9, 7, 13, 1, "\x05" "F12\x01 Wykonaj");
  form.Element(kButton, kReportDateFormCancel, kKeyEsc, 26, 7, 12, 1, "\x05" "ESC\x01 Anuluj");
  return form;
}

inline constexpr Builder kBuiltForm = BuildReportDateForm();
static_assert(kBuiltForm.length == kReportDateFormSize, "the form template is 306 bytes");

}  // namespace report_date_form_detail

// Static, so that its address stays valid for as long as the library is loaded.
inline constexpr std::array<unsigned char, kReportDateFormSize> ReportDateForm =
    report_date_form_detail::kBuiltForm.bytes;
static_assert(sizeof(ReportDateForm) == kReportDateFormSize, "the form template is 306 bytes");
static_assert(ReportDateForm[kFormStartFieldPrefixOffset] == 5 &&
                  ReportDateForm[kFormStartFieldPrefixOffset + 2] == 38 &&
                  ReportDateForm[kFormEndFieldPrefixOffset] == 5 &&
                  ReportDateForm[kFormEndFieldPrefixOffset + 2] == 38,
              "input fields where the offsets say");
static_assert(ReportDateForm[kFormRunButtonOffset + 2] == 0x01 &&
                  ReportDateForm[kFormRunButtonOffset + 3] == 0x50 &&
                  ReportDateForm[kFormCancelButtonOffset + 2] == 0x02,
              "buttons where the offsets say");
