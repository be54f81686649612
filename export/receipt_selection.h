// Which of the host's sales records become transactions of the report, and what each says.
#pragma once

#include <cstdint>

#include "export/date_texts.h"
#include "export/record_layout.h"
#include "export/report_text.h"

// A card receipt of the period, ready to be written.
struct CardTransaction {
  char card[kCardNumberSize];
  char documentNumber[tspr::kDocumentNumberRoom + 1];
  char invoiceDate[kIsoDateTimeSize];
  std::int64_t hundredths;  // the amount in grosze
};

enum class ReceiptVerdict {
  kNotInReport,  // not a card receipt of the period, or its amount is not above 0
  kTransaction,  // a transaction: every field of the CardTransaction is filled
  kUnreadable,   // a card receipt whose own record cannot be read (its sale date does not
                 // parse, its sale time is not a minute of the day, its card number is longer
                 // than the report's field, its amount is beyond what the report can hold);
                 // documentNumber names it
  kHostFailure,  // the host could not give the receipt's lines: the report is incomplete
};

// Runs the tests of the receipt selection on the sales record (the current Tspr record) for
// the period (an empty date puts no bound on its side) and the excluded groups. A receipt
// whose sale date does not parse cannot be placed in the period; it is still counted as
// unreadable when it names a card and has an amount, so that it is never dropped unseen.
ReceiptVerdict SelectReceipt(const unsigned char* salesRecord, const char* startDate,
                             const char* endDate, const int* excludedGroups,
                             CardTransaction* transaction);
