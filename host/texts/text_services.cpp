// The text services: trimming, copying, rounding an amount and random numbers.
#include "host/texts/text_services.h"

#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>

#include "host/session/session_options.h"

namespace host {
namespace {

// The host's random numbers: seeded once a session, from --seed when given.
struct RandomState {
  std::mt19937 generator;
  bool seeded = false;
};

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

int HOSTAPI HostRandom(int bound) {
  RandomState& state = SessionState<RandomState>();
  if (!state.seeded) {
    state.generator.seed(options().seed ? *options().seed : std::random_device{}());
    state.seeded = true;
  }
  if (bound <= 1) return 0;
  // Rejection keeps every value equally likely and the sequence the same on every platform
  // for one seed.
  const std::uint64_t range = std::uint64_t{1} << 32;
  const std::uint64_t limit = range - range % static_cast<std::uint64_t>(bound);
  std::uint64_t value = state.generator();
  while (value >= limit) value = state.generator();
  return static_cast<int>(value % static_cast<std::uint64_t>(bound));
}

// 51617: writes length bytes of buffer as upper-case hexadecimal digits, two per byte, and a
// NUL into text (which must hold 2 * length + 1 bytes). Returns the digits written, or -1 for
// null pointers or a negative length (text then holds the empty text when given).
std::string HexNumber(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace host
