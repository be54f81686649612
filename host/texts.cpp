// Text and amount helpers of the host.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/services.h"

namespace host {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

// Removes blanks (space, tab, line breaks) at both ends of the text in place; gives the text.
char* HOSTAPI HostTrimText(char* text) {
  if (text == nullptr) return nullptr;
  std::size_t length = std::strlen(text);
  std::size_t start = 0;
  while (start < length && IsBlank(text[start])) ++start;
  while (length > start && IsBlank(text[length - 1])) --length;
  std::memmove(text, text + start, length - start);
  text[length - start] = '\0';
  return text;
}

// Copies at most count characters of source, then a NUL: destination needs count + 1 bytes.
// A negative count copies nothing; a null source gives an empty text. The two may overlap.
char* HOSTAPI HostCopyText(char* destination, const char* source, int count) {
  if (destination == nullptr) return nullptr;
  std::size_t length = 0;
  if (source != nullptr && count > 0) {
    const void* end = std::memchr(source, '\0', static_cast<std::size_t>(count));
    length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - source)
                            : static_cast<std::size_t>(count);
    std::memmove(destination, source, length);
  }
  destination[length] = '\0';
  return destination;
}

// The amount rounded to the nearest multiple of step, halves away from zero, as a 32-bit
// number. A step of 0 counts as 1 and a negative step as its size. An amount whose rounded
// value does not fit in 32 bits saturates to the multiple of step nearest to the limit; NaN
// gives 0.
int HOSTAPI HostRoundAmount(double amount, int step) {
  if (std::isnan(amount)) return 0;
  long long unit = step == 0 ? 1 : std::llabs(static_cast<long long>(step));
  long long highest = INT_MAX / unit * unit;
  long long lowest = -highest;
  double multiples = std::round(amount / static_cast<double>(unit));
  if (multiples >= static_cast<double>(highest / unit)) return static_cast<int>(highest);
  if (multiples <= static_cast<double>(lowest / unit)) return static_cast<int>(lowest);
  return static_cast<int>(static_cast<long long>(multiples) * unit);
}

}  // namespace host
