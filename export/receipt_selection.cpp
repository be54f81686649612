// The receipt selection of the report file writer: the tests a sales record must pass to
// become a transaction, in their order, and the transaction's fields.
#include "export/receipt_selection.h"

#include <cstring>

#include "export/amount.h"
#include "export/receipt_total.h"
#include "export/table_access.h"
#include "binding/host_api.h"

namespace {

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// The period test: the sale lies inside the period, both bounds included.
bool InPeriod(const char* saleDate, const char* startDate, const char* endDate) {
  if (!IsEmpty(startDate) && HostCompareDates(startDate, saleDate) > 0) return false;
  if (!IsEmpty(endDate) && HostCompareDates(endDate, saleDate) < 0) return false;
  return true;
}

}  // namespace

ReceiptVerdict SelectReceipt(const unsigned char* record, const char* startDate,
                             const char* endDate, const int* excludedGroups,
                             CardTransaction* out) {
  if (RecordInt32(record, tspr::kReceiptId) == 0) return ReceiptVerdict::kNotInReport;
  if (RecordInt16(record, tspr::kStateMarker) > 0) return ReceiptVerdict::kNotInReport;
  char saleDate[tspr::kSaleDateRoom + 1];
  RecordText(record, tspr::kSaleDate, tspr::kSaleDateRoom, saleDate);
  if (saleDate[0] == '\0') return ReceiptVerdict::kNotInReport;

  // The card test comes before the period's: it needs no host call, and most receipts name
  // no card. The outcome is the same in either order.
  char remark[tspr::kRemarkRoom + 1];
  RecordText(record, tspr::kRemark, tspr::kRemarkRoom, remark);
  const CardText card = CardNumberFromRemark(remark, out->card);
  if (card == CardText::kNone) return ReceiptVerdict::kNotInReport;

  // The transaction's date is the sale date with its dots turned into dashes. A date that does
  // not parse cannot be placed in the period: such a receipt is never dropped unseen.
  char dashedDate[tspr::kSaleDateRoom + 1];
  std::memcpy(dashedDate, saleDate, std::strlen(saleDate) + 1);
  for (char* c = dashedDate; *c != '\0'; ++c) {
    if (*c == '.') *c = '-';
  }
  short year, month, day;
  const bool dateReadable = ParseReportDate(dashedDate, &year, &month, &day);
  if (dateReadable && !InPeriod(saleDate, startDate, endDate)) return ReceiptVerdict::kNotInReport;
  RecordText(record, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, out->documentNumber);

  double amount;
  if (ZliczKwoteParagonuBezGrupy(record, excludedGroups, &amount) == 0) {
    return ReceiptVerdict::kHostFailure;
  }
  if (!(amount > 0.0)) return ReceiptVerdict::kNotInReport;

  if (!dateReadable || card == CardText::kTooLong) return ReceiptVerdict::kUnreadable;
  char timeText[kSaleTimeTextSize];
  if (!SaleTimeText(timeText, RecordInt16(record, tspr::kSaleTime))) return ReceiptVerdict::kUnreadable;
  if (IsoDateTimeText(out->invoiceDate, dashedDate, timeText)[0] == '\0') {
    return ReceiptVerdict::kUnreadable;
  }
  if (!AmountInHundredths(amount, &out->hundredths)) return ReceiptVerdict::kUnreadable;
  return ReceiptVerdict::kTransaction;
}
