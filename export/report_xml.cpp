// The report's XML, piece by piece.
#include "export/report_xml.h"

#include "export/amount.h"

#include "output/text_output.h"

namespace {

constexpr char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Kronilog>\n<Dealer ID=\"%02ld\">\n";
constexpr char kPeriodBegin[] = "<PeriodBegin>%s</PeriodBegin>\n";
constexpr char kPeriodEnd[] = "<PeriodEnd>%s</PeriodEnd>\n";
// The elements of a transaction, written as one piece: the same bytes as eight writes, and
// one trip through the host's conversion instead of eight.
constexpr char kTransaction[] =
    "<Transaction>\n"
    "<CardNumber>%s</CardNumber>\n"
    "<InvoiceNumber>%s</InvoiceNumber>\n"
    "<InvoiceDate>%s</InvoiceDate>\n"
    "<InvoiceAmount>%s</InvoiceAmount>\n"
    "<InvoiceCurrency>PLN</InvoiceCurrency>\n"
    "<SegmentNr>%d</SegmentNr>\n"
    "</Transaction>\n";
constexpr char kTail[] =
    "</Dealer>\n<Checksum>%s</Checksum>\n<FileCreationDate>%s</FileCreationDate>\n</Kronilog>\n";

}  // namespace

bool WriteReportHead(HostFile* file, long partnerId, const char* startDate, const char* endDate) {
  char period[kIsoDateTimeSize];
  bool written = _fprintfUTF(file, kHead, partnerId) == 0;
  written = _fprintfUTF(file, kPeriodBegin, IsoDateTimeText(period, startDate, "00:01")) == 0 && written;
  written = _fprintfUTF(file, kPeriodEnd, IsoDateTimeText(period, endDate, "23:59")) == 0 && written;
  return written;
}

bool WriteTransaction(HostFile* file, const CardTransaction& transaction) {
  char number[kMostEscapedBytes * tspr::kDocumentNumberRoom + 1];
  EscapeXmlText(transaction.documentNumber, number, sizeof number);
  char card[kMostEscapedBytes * kCardNumberSize + 1];
  EscapeXmlText(transaction.card, card, sizeof card);
  char amount[kAmountTextSize];
  AmountText(amount, transaction.hundredths);
  return _fprintfUTF(file, kTransaction, card, number, transaction.invoiceDate, amount, 1) == 0;
}

bool WriteReportTail(HostFile* file, std::int64_t checksumHundredths, const char* creationStamp) {
  char checksum[kAmountTextSize];
  AmountText(checksum, checksumHundredths);
  return _fprintfUTF(file, kTail, checksum, creationStamp) == 0;
}
