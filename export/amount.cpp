// Amounts: host units to grosze, grosze to text, and the checksum.
#include "export/amount.h"

#include <cmath>

namespace {

// Below 2^63, so that the whole units convert to a 64-bit integer exactly.
constexpr double kLargestAmount = 9.2e18;
constexpr std::int64_t kUnitsPerGrosz = 100;

}  // namespace

bool AmountInHundredths(double amount, std::int64_t* hundredths) {
  if (!std::isfinite(amount) || std::fabs(amount) >= kLargestAmount) return false;
  // Half a grosz is 50 whole units, so the fraction of a unit, which has the sign of the
  // whole units, never decides the rounding: the whole units alone round exactly.
  const auto units = static_cast<std::int64_t>(amount);
  std::int64_t grosze = units / kUnitsPerGrosz;
  const std::int64_t rest = units % kUnitsPerGrosz;
  if (rest >= kUnitsPerGrosz / 2) ++grosze;
  if (rest <= -kUnitsPerGrosz / 2) --grosze;
  *hundredths = grosze;
  return true;
}

void AmountText(char* out, std::int64_t hundredths) {
  // Counted in the negative range, which holds every 64-bit value.
  std::int64_t rest = hundredths < 0 ? hundredths : -hundredths;
  char digits[kAmountTextSize];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' - rest % 10);
    rest /= 10;
  } while (rest != 0 || count < 3);
  int used = 0;
  if (hundredths < 0) out[used++] = '-';
  while (count > 2) out[used++] = digits[--count];
  out[used++] = '.';
  out[used++] = digits[1];
  out[used++] = digits[0];
  out[used] = '\0';
}

bool AddToChecksum(std::int64_t* checksumHundredths, std::int64_t hundredths) {
  std::int64_t sum;
  if (__builtin_add_overflow(*checksumHundredths, hundredths, &sum)) return false;
  *checksumHundredths = sum;
  return true;
}
