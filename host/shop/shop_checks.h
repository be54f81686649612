// The checks of the shop files' rows: numbers in their range, texts that fit their record room
// in the host's character set, the header and the number of fields; every fault with its
// file:line:column.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/shop/csv_reader.h"

namespace host {

// A field's value for a message: at most 40 bytes, cut at a character, control bytes as '?'.
std::string Shown(std::string_view field);

class RowChecker {
 public:
  RowChecker(const CsvReader& csv, std::optional<ShopError>& error) : csv_(csv), error_(error) {}

  // Records the fault at a field of the current row; false.
  bool Fail(std::size_t field, std::string reason);
  // A whole decimal number in lowest..highest.
  bool Integer(std::size_t field, std::string_view name, long long lowest, long long highest,
               long long& value);
  // A decimal amount of host money units (digits with at most one point, a sign allowed),
  // at most 1e15 in size.
  bool Amount(std::size_t field, std::string_view name, double& value);
  // A UTF-8 text in the host's character set, in *hostText (valid until the next row), when it
  // fits room - 1 bytes and the NUL. Two texts of a row may be held at once (slot 0 and 1).
  bool Text(std::size_t field, std::string_view name, std::size_t room, int slot,
            std::string_view* hostText);

 private:
  const CsvReader& csv_;
  std::optional<ShopError>& error_;
  std::string converted_[2];
};

// The header row: exactly these columns in this order.
bool CheckHeader(CsvReader& csv, std::span<const std::string_view> columns,
                 std::optional<ShopError>& error);

// A row of exactly this many fields.
bool CheckFieldCount(const CsvReader& csv, std::size_t expected, std::optional<ShopError>& error);

}  // namespace host
