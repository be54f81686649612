// The report file writer: scans the host's sales records for card receipts of a period and
// writes them as transactions into one Kronilog XML file in RAP_KART, then has it mailed.
#include "export/report_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "export/receipt_total.h"
#include "export/record_layout.h"
#include "export/report_text.h"
#include "export/table_access.h"
#include "frame/host_api.h"
#include "mail/report_message.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "settings/text_output.h"

namespace {

constexpr char kReportFolder[] = "RAP_KART";
constexpr int kPrepareForScan = 255;
constexpr int kTimeFormHms = 1;
constexpr int kTimeFormHm = 2;
constexpr unsigned kFinalNoticeMs = 3000;
// The sales record is read up to receiptId (4 bytes at 1264).
constexpr int kSalesBytesRead = tspr::kReceiptId + 4;
constexpr int kIsoDateTimeSize = 24;

constexpr char kNoticeTitle[] = "Uwaga";
constexpr char kOpenErrorTitle[] = "uwaga";
constexpr char kOpenErrorFormat[] = "B\x92\x86" "d otwarcia pliku:%s";
constexpr char kProgressFormat[] = "Eksport Kronilog od %s do %s";
constexpr char kFinalNoticeFormat[] = "Wyeksportowano raport na serwer do pliku %s";
constexpr char kDiskErrorTitle[] = "B\x92\x86" "d";
// "Błąd zapisu pliku raportu %s!\nRaport nie został wysłany."
constexpr char kWriteErrorFormat[] =
    "B\x92\x86" "d zapisu pliku raportu %s!\nRaport nie zosta\x92 wys\x92" "any.";
constexpr char kNoSalesTableText[] =
    "B\x92\x86" "d operacji dyskowej: brak tabeli sprzeda\xA7y Tspr!\n"
    "Raport nie zosta\x92 utworzony.";

constexpr char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Kronilog>\n<Dealer ID=\"%02ld\">\n";
constexpr char kPeriodBegin[] = "<PeriodBegin>%s</PeriodBegin>\n";
constexpr char kPeriodEnd[] = "<PeriodEnd>%s</PeriodEnd>\n";
// Lines 4 to 11 of a transaction, written as one piece: the same bytes as eight writes, and
// one trip through the host's conversion instead of eight.
constexpr char kTransaction[] =
    "<Transaction>\n"
    "<CardNumber>%s</CardNumber>\n"
    "<InvoiceNumber>%s</InvoiceNumber>\n"
    "<InvoiceDate>%s</InvoiceDate>\n"
    "<InvoiceAmount>%.2f</InvoiceAmount>\n"
    "<InvoiceCurrency>PLN</InvoiceCurrency>\n"
    "<SegmentNr>%d</SegmentNr>\n"
    "</Transaction>\n";
constexpr char kTail[] =
    "</Dealer>\n<Checksum>%.2f</Checksum>\n<FileCreationDate>%s</FileCreationDate>\n</Kronilog>\n";

// The decimal number at the start of text (a leading blank allowed); -1 when there is none.
int LeadingNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return -1;
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

// Hours, minutes and seconds of a time text hh:mm[:ss], each cut at its colon. -1 for a part
// that holds no number.
void SplitTimeText(const char* timeText, int* hours, int* minutes, int* seconds) {
  char copy[16] = {};
  HostCopyText(copy, timeText != nullptr ? timeText : "", 10);
  copy[10] = '\0';
  copy[2] = copy[5] = copy[8] = '\0';
  *hours = LeadingNumber(copy);
  *minutes = LeadingNumber(copy + 3);
  *seconds = LeadingNumber(copy + 6);
}

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

}  // namespace

bool ParseReportDate(const char* dateText, short* year, short* month, short* day) {
  *year = *month = *day = 0;
  if (IsEmpty(dateText)) return false;
  HostParseDate(dateText, year, month, day, 0);
  if (*year >= 1 && *year <= 9999 && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31) {
    return true;
  }
  *year = *month = *day = 0;
  return false;
}

char* IsoDateTimeText(char* out, const char* dateText, const char* timeText) {
  out[0] = '\0';
  short year, month, day;
  if (!ParseReportDate(dateText, &year, &month, &day)) return out;
  int hours, minutes, seconds;
  SplitTimeText(timeText, &hours, &minutes, &seconds);
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return out;
  int t = hours * 60 + minutes;
  if (t == 0) t = 1440;  // midnight belongs to the end of the day
  FormatText(out, kIsoDateTimeSize, "%04d-%02d-%02dT%02d:%02d:00.000", year, month, day, t / 60,
             t % 60);
  return out;
}

char* FileTimestampText(char* out) {
  char today[12] = {};
  char now[16] = {};
  HostTodayText(today);
  today[sizeof today - 1] = '\0';
  HostTimeText(now, kTimeFormHms);
  now[sizeof now - 1] = '\0';
  short year, month, day;
  ParseReportDate(today, &year, &month, &day);
  int hours, minutes, seconds;
  SplitTimeText(now, &hours, &minutes, &seconds);
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) hours = minutes = 0;
  if (seconds < 0 || seconds > 59) seconds = 0;
  int t = hours * 60 + minutes;
  if (t == 0) t = 1440;
  FormatText(out, 15, "%04d%02d%02d%02d%02d%02d", year, month, day, t / 60, t % 60, seconds);
  return out;
}

bool CardNumberFromRemark(const char* remark, char* card) {
  card[0] = '\0';
  const char* marker = std::strstr(remark, "Karta:");
  if (marker == nullptr) return false;
  const char* after = marker + 6;
  // The field holds 29 characters: a longer text is cut, never written past it.
  std::size_t length = std::strlen(after);
  if (length > kCardNumberSize - 1) length = kCardNumberSize - 1;
  std::memcpy(card, after, length);
  card[length] = '\0';
  HostTrimText(card);
  card[kCardNumberSize - 1] = '\0';
  if (card[0] != '7' || card[1] != '7') return false;
  char* blank = std::strchr(card, ' ');
  if (blank != nullptr) *blank = '\0';
  return true;
}

void EscapeXmlText(const char* text, char* out, std::size_t size) {
  std::size_t used = 0;
  for (; *text != '\0'; ++text) {
    unsigned char c = static_cast<unsigned char>(*text);
    const char* piece;
    char single[2] = {static_cast<char>(c), '\0'};
    switch (c) {
      case '&': piece = "&amp;"; break;
      case '<': piece = "&lt;"; break;
      case '>': piece = "&gt;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') single[0] = ' ';
        piece = single;
    }
    std::size_t pieceLength = std::strlen(piece);
    if (used + pieceLength + 1 > size) break;
    std::memcpy(out + used, piece, pieceLength);
    used += pieceLength;
  }
  out[used] = '\0';
}

int BuildReportFile(int /*flag: both ways in make the same report*/, const char* startDate,
                    const char* endDate) {
  if (startDate == nullptr) startDate = "";
  if (endDate == nullptr) endDate = "";

  void* sales = HostOpenTable(tspr::kTable);
  if (sales == nullptr || TableRecordBuffer(sales, kSalesBytesRead) == nullptr) {
    // Without the sales table there is nothing to report: an empty report would tell the
    // card operator that there were no card sales. Stop before anything is written.
    HostShowMessage(kDiskErrorTitle, kNoSalesTableText, kStyleBox);
    return 0;
  }
  HostPrepareTable(sales, kPrepareForScan);

  ReportSettings settings;
  ReadReportSettings(&settings);

  CreateDirectoryA(kReportFolder, nullptr);

  char work[300];
  char fileName[256];
  char path[256];
  FileTimestampText(work);
  FormatText(fileName, sizeof fileName, "H%04ld_%s.xml", static_cast<long>(settings.partnerId), work);
  FormatText(path, sizeof path, "%s\\%s", kReportFolder, fileName);

  HostFile* file = HostOpenFile(path, "wt", 64, 0, -1);
  if (file == nullptr) {
    ShowMessageV(kOpenErrorTitle, kOpenErrorFormat, kStyleBox, fileName);
    return 0;
  }
  HostShowMessageF(kNoticeTitle, kProgressFormat, kStyleNotice, startDate, endDate);

  // Every piece must reach the file: a report with a piece missing (no memory for it, a full
  // disk) would be read as complete by the card operator, so it is neither mailed nor counted
  // as made.
  bool complete = _fprintfUTF(file, kHead, static_cast<long>(settings.partnerId)) == 0;
  complete = _fprintfUTF(file, kPeriodBegin, IsoDateTimeText(work, startDate, "00:01")) == 0 && complete;
  complete = _fprintfUTF(file, kPeriodEnd, IsoDateTimeText(work, endDate, "23:59")) == 0 && complete;

  double checksum = 0.0;
  alignas(8) unsigned char scanState[kScanStateSize] = {};
  alignas(8) unsigned char key[kScanKeySize] = {};
  HostMakeKey(tspr::kIndexByDate, 0, key, 0);
  if (HostScanBegin(scanState, sales, tspr::kIndexByDate, key, 0, 0) != 0) {
    while (HostScanNext(scanState) == 1) {
      const unsigned char* record = TableRecordBuffer(sales, kSalesBytesRead);
      if (record == nullptr) break;
      if (RecordInt32(record, tspr::kReceiptId) == 0) continue;
      if (RecordInt16(record, tspr::kStateMarker) > 0) continue;
      char saleDate[tspr::kSaleDateRoom + 1];
      RecordText(record, tspr::kSaleDate, tspr::kSaleDateRoom, saleDate);
      if (saleDate[0] == '\0') continue;
      if (startDate[0] != '\0' && HostCompareDates(startDate, saleDate) > 0) continue;
      if (endDate[0] != '\0' && HostCompareDates(endDate, saleDate) < 0) continue;
      char remark[tspr::kRemarkRoom + 1];
      RecordText(record, tspr::kRemark, tspr::kRemarkRoom, remark);
      char card[kCardNumberSize];
      if (!CardNumberFromRemark(remark, card)) continue;
      for (char* c = saleDate; *c != '\0'; ++c) {
        if (*c == '.') *c = '-';
      }
      double amount = ZliczKwoteParagonuBezGrupy(record, settings.excludedGroups);
      if (!(amount > 0.0)) continue;

      int saleTime = RecordInt16(record, tspr::kSaleTime);
      char timeText[32];
      FormatText(timeText, sizeof timeText, "%2d:%02d:%02d", saleTime / 60, saleTime % 60, 0);
      char invoiceDate[kIsoDateTimeSize];
      // A sale whose date or time the host cannot read would make the file invalid.
      if (IsoDateTimeText(invoiceDate, saleDate, timeText)[0] == '\0') continue;

      char documentNumber[tspr::kDocumentNumberRoom + 1];
      RecordText(record, tspr::kDocumentNumber, tspr::kDocumentNumberRoom, documentNumber);
      char escapedNumber[5 * tspr::kDocumentNumberRoom + 1];
      EscapeXmlText(documentNumber, escapedNumber, sizeof escapedNumber);
      char escapedCard[5 * kCardNumberSize + 1];
      EscapeXmlText(card, escapedCard, sizeof escapedCard);

      // The amount written and the amount added to the checksum are one rounded number of
      // hundredths, so the checksum is the sum of the amounts in the file.
      int hundredths = HostRoundAmount(amount, 100);
      double rounded = static_cast<double>(hundredths) * 0.0001;
      complete = _fprintfUTF(file, kTransaction, escapedCard, escapedNumber, invoiceDate, rounded, 1) == 0 &&
                 complete;
      checksum += rounded;
    }
  }
  HostScanEnd(scanState);

  char today[12] = {};
  char now[16] = {};
  HostTodayText(today);
  today[sizeof today - 1] = '\0';
  HostTimeText(now, kTimeFormHm);
  now[sizeof now - 1] = '\0';
  char creationStamp[kIsoDateTimeSize];
  IsoDateTimeText(creationStamp, today, now);
  complete = _fprintfUTF(file, kTail, checksum, creationStamp) == 0 && complete;

  // The host's buffered writes reach the disk at the latest when the file is closed.
  complete = HostCloseFile(file) == 0 && complete;
  HostCloseMessage();
  if (!complete) {
    FormatText(work, sizeof work, kWriteErrorFormat, fileName);
    HostShowMessage(kDiskErrorTitle, work, kStyleBox);
    return 0;
  }

  SendReportMail(creationStamp, settings.shopName, path);

  FormatText(work, sizeof work, kFinalNoticeFormat, fileName);
  HostShowMessage(kNoticeTitle, work, kStyleNotice);
  Sleep(kFinalNoticeMs);
  HostCloseMessage();
  return 1;
}
