// Writing the report's XML: the head, one transaction at a time, and the tail with the
// checksum. Each piece goes through _fprintfUTF; each writer says whether it reached the file.
#pragma once

#include <cstdint>

#include "export/receipt_selection.h"
#include "frame/host_types.h"

inline constexpr int kAmountTextSize = 24;  // "-92233720368547758.08" and the NUL

// Lines 1 to 3: the XML declaration, the root, the dealer and the period (an empty date gives
// an empty period element).
bool WriteReportHead(HostFile* file, long partnerId, const char* startDate, const char* endDate);

// Lines 4 to 11 of one transaction, its texts escaped for XML.
bool WriteTransaction(HostFile* file, const CardTransaction& transaction);

// Line 12: the end of the dealer, the checksum and the file's creation date-time.
bool WriteReportTail(HostFile* file, std::int64_t checksumHundredths, const char* creationStamp);

// Grosze as PLN with two decimals ("1234.05"), written from the integer so that no amount
// passes through a rounding of its own; out holds kAmountTextSize bytes.
void AmountText(char* out, std::int64_t hundredths);

// The checksum of a report: the sum of the amounts written, in grosze. False, and the sum as
// it was, when adding would overflow; the caller then leaves that receipt out.
bool AddToChecksum(std::int64_t* checksumHundredths, std::int64_t hundredths);
