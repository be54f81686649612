// The checks of the shop files' rows (see shop_checks.h).
#include "host/shop/shop_checks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "host/texts/codepages.h"

namespace host {
namespace {

constexpr double kLargestAmount = 1e15;

// The offset of the first byte that is not part of a well-formed UTF-8 sequence, or npos.
std::size_t FirstInvalidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte <= 0xDF ? 2
                         : byte >= 0xE0 && byte <= 0xEF ? 3 : byte >= 0xF0 && byte <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return i;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return i;
    }
    auto second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
    if ((byte == 0xE0 && second < 0xA0) || (byte == 0xED && second > 0x9F) ||
        (byte == 0xF0 && second < 0x90) || (byte == 0xF4 && second > 0x8F)) {
      return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

}  // namespace

// A field's value for a message: at most 40 bytes, cut at a character, control bytes as '?'.
std::string Shown(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    auto byte = static_cast<unsigned char>(field[i]);
    if (text.size() >= 40 && (byte & 0xC0) != 0x80) {
      text += "...";
      break;
    }
    text += byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte);
  }
  return text;
}

bool RowChecker::Fail(std::size_t field, std::string reason) {
  error_ = ShopError{csv_.FileName(), csv_.FieldLine(field), csv_.FieldColumn(field),
                     std::move(reason)};
  return false;
}

bool RowChecker::Integer(std::size_t field, std::string_view name, long long lowest,
                         long long highest, long long& value) {
  std::string_view text = csv_.Field(field);
  // The usual field, a few digits: read here; anything else by from_chars below.
  if (!text.empty() && text.size() <= 9) {
    long long quick = 0;
    std::size_t k = 0;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') quick = quick * 10 + (text[k++] - '0');
    if (k == text.size() && quick >= lowest && quick <= highest) {
      value = quick;
      return true;
    }
  }
  std::string_view number = !text.empty() && text[0] == '+' ? text.substr(1) : text;
  bool digitFirst = !number.empty() && (number[0] != '-' || number.size() > 1) &&
                    number[number[0] == '-' ? 1 : 0] >= '0' &&
                    number[number[0] == '-' ? 1 : 0] <= '9';
  auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (!digitFirst || end != number.data() + number.size() ||
      status == std::errc::invalid_argument) {
    return Fail(field, std::string(name) + " \"" + Shown(text) + "\" is not a whole number");
  }
  if (status == std::errc::result_out_of_range || value < lowest || value > highest) {
    return Fail(field, std::string(name) + " " + Shown(text) + " is outside " +
                           std::to_string(lowest) + ".." + std::to_string(highest));
  }
  return true;
}

bool RowChecker::Amount(std::size_t field, std::string_view name, double& value) {
  std::string_view text = csv_.Field(field);
  std::string_view number = !text.empty() && text[0] == '+' ? text.substr(1) : text;
  std::size_t digits = 0;
  bool point = false;
  bool wellFormed = true;
  std::uint64_t mantissa = 0;  // the digits as one number, while it holds them exactly
  std::size_t decimals = 0;
  for (std::size_t k = !number.empty() && number[0] == '-' ? 1 : 0; k < number.size(); ++k) {
    if (number[k] >= '0' && number[k] <= '9') {
      ++digits;
      if (digits <= 15) mantissa = mantissa * 10 + static_cast<std::uint64_t>(number[k] - '0');
      if (point) ++decimals;
    } else if (number[k] == '.' && !point) {
      point = true;
    } else {
      wellFormed = false;
    }
  }
  // Up to 15 digits and 22 decimals: the digits are exact in a double, so is the power of
  // ten, and one division rounds correctly: the very value from_chars gives, found sooner.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (wellFormed && digits > 0 && digits <= 15 && decimals <= 22) {
    const double magnitude = static_cast<double>(mantissa) / kPowers[decimals];
    value = !number.empty() && number[0] == '-' ? -magnitude : magnitude;
    return true;  // 15 digits are always below the largest amount
  }
  const auto [end, status] = wellFormed && digits > 0
                                 ? std::from_chars(number.data(), number.data() + number.size(), value)
                                 : std::from_chars_result{number.data(), std::errc::invalid_argument};
  if (status == std::errc::invalid_argument || end != number.data() + number.size()) {
    return Fail(field, std::string(name) + " \"" + Shown(text) +
                           "\" is not an amount (host money units, e.g. 12500 or -300.5)");
  }
  // Beyond what a double holds (from_chars then leaves the value as it was), or beyond the
  // largest amount the host keeps: refused, never read as some other number.
  if (status == std::errc::result_out_of_range || !std::isfinite(value) ||
      std::fabs(value) > kLargestAmount) {
    return Fail(field, std::string(name) + " " + Shown(text) +
                           " is not an amount the host can keep (at most 1e15 in size)");
  }
  return true;
}

bool RowChecker::Text(std::size_t field, std::string_view name, std::size_t room, int slot,
          std::string_view* hostText) {
  std::string_view text = csv_.Field(field);
  std::string& converted = converted_[slot];
  *hostText = text;
  bool ascii = std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    if (FirstInvalidUtf8(text) != std::string_view::npos) {
      return Fail(field, std::string(name) + " is not valid UTF-8");
    }
    converted = Utf8ToMazovia(text);
    if (std::count(converted.begin(), converted.end(), '?') >
        std::count(text.begin(), text.end(), '?')) {
      return Fail(field, std::string(name) + " \"" + Shown(text) +
                             "\" holds a character that the host's character set lacks");
    }
    *hostText = converted;
  }
  if (hostText->size() + 1 > room) {
    return Fail(field, std::string(name) + " is " + std::to_string(hostText->size()) +
                           " characters long; the record has room for " +
                           std::to_string(room - 1));
  }
  return true;
}

bool CheckHeader(CsvReader& csv, std::span<const std::string_view> columns,
                 std::optional<ShopError>& error) {
  const std::size_t N = columns.size();
  std::string expected;
  for (auto column : columns) {
    if (!expected.empty()) expected += ',';
    expected += column;
  }
  if (!csv.Next()) {
    if (!csv.error()) error = ShopError{csv.FileName(), 1, 1, "the file is empty; the first row must be " + expected};
    else error = csv.error();
    return false;
  }
  for (std::size_t i = 0; i < N; ++i) {
    if (i >= csv.FieldCount()) {
      error = ShopError{csv.FileName(), csv.EndLine(), csv.EndColumn(),
                        "the header lacks column \"" + std::string(columns[i]) +
                            "\"; the first row must be " + expected};
      return false;
    }
    if (csv.Field(i) != columns[i]) {
      error = ShopError{csv.FileName(), csv.FieldLine(i), csv.FieldColumn(i),
                        "column " + std::to_string(i + 1) + " of the header is \"" +
                            Shown(csv.Field(i)) + "\", expected \"" + std::string(columns[i]) +
                            "\"; the first row must be " + expected};
      return false;
    }
  }
  if (csv.FieldCount() > N) {
    error = ShopError{csv.FileName(), csv.FieldLine(N), csv.FieldColumn(N),
                      "the header has more columns than " + expected};
    return false;
  }
  return true;
}

bool CheckFieldCount(const CsvReader& csv, std::size_t expected, std::optional<ShopError>& error) {
  if (csv.FieldCount() == expected) return true;
  if (csv.FieldCount() < expected) {
    error = ShopError{csv.FileName(), csv.EndLine(), csv.EndColumn(),
                      "the row has " + std::to_string(csv.FieldCount()) + " fields, expected " +
                          std::to_string(expected)};
  } else {
    error = ShopError{csv.FileName(), csv.FieldLine(expected), csv.FieldColumn(expected),
                      "the row has " + std::to_string(csv.FieldCount()) + " fields, expected " +
                          std::to_string(expected)};
  }
  return false;
}

}  // namespace host
