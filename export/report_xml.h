// Writing the report's XML: the head, one transaction at a time, and the tail with the
// checksum. Each piece goes through _fprintfUTF; each writer says whether it reached the file.
#pragma once

#include <cstdint>

#include "export/receipt_selection.h"
#include "contract/host_types.h"

// The XML declaration, the root, the dealer and the period (an empty date gives an empty
// period element).
bool WriteReportHead(HostFile* file, long partnerId, const char* startDate, const char* endDate);

// One transaction's element, its texts escaped for XML.
bool WriteTransaction(HostFile* file, const CardTransaction& transaction);

// The end of the dealer, the checksum and the file's creation date-time.
bool WriteReportTail(HostFile* file, std::int64_t checksumHundredths, const char* creationStamp);
