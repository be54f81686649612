// An amount's way through the report: a receipt's amount in the host's money units (1/10000
// PLN, a double) becomes whole grosze once, exactly; the report writes those grosze as PLN
// with two decimals, and its checksum is their sum. No amount passes through a rounding of
// its own after the first, so the checksum equals the written amounts to the last digit.
#pragma once

#include <cstdint>

inline constexpr int kAmountTextSize = 24;  // "-92233720368547758.08" and the NUL

// The host units as whole grosze, rounded half away from zero. False for an amount that is
// not finite or whose grosze a 64-bit integer cannot hold (9.2e18 units and more).
bool AmountInHundredths(double amount, std::int64_t* hundredths);

// Grosze as PLN with two decimals ("1234.05", "-0.07"), written from the integer; out holds
// kAmountTextSize bytes.
void AmountText(char* out, std::int64_t hundredths);

// The checksum of a report: the sum of the amounts written, in grosze. False, and the sum as
// it was, when adding would overflow; the caller then leaves that receipt out.
bool AddToChecksum(std::int64_t* checksumHundredths, std::int64_t hundredths);
