// The report file writer: scans the host's sales records for card receipts of a period and
// writes them as transactions into one Kronilog XML file in RAP_KART, then has it mailed.
#include "export/report_file.h"

#include <cstdint>

#include "export/amount.h"
#include "export/date_texts.h"
#include "export/export_log.h"
#include "export/left_out_receipts.h"
#include "export/receipt_selection.h"
#include "export/record_layout.h"
#include "export/report_name.h"
#include "export/report_xml.h"
#include "export/table_access.h"
#include "binding/host_api.h"
#include "mail/report_message.h"
#include "platform/win32.h"
#include "settings/settings_readers.h"
#include "output/setting_text.h"
#include "output/text_output.h"

namespace {

constexpr unsigned kFinalNoticeMs = 3000;
// The sales record is read up to receiptId, its last field.
constexpr int kSalesBytesRead = tspr::kReceiptId + 4;
static_assert(kSalesBytesRead <= tspr::kRecordSize, "the fields read lie within the record");

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
// "%s\nOperacja niekompletna!\nRaport %s jest niepełny i nie został wysłany.", first what failed:
// "Błąd operacji dyskowej przy odczycie tabeli sprzedaży Tspr!" (the scan of the sales
// records) or "Błąd operacji dyskowej w ZliczKwoteParagonuBezGrupy!" (a receipt's lines).
constexpr char kIncompleteFormat[] =
    "%s\nOperacja niekompletna!\nRaport %s jest niepe\x92ny i nie zosta\x92 wys\x92" "any.";
constexpr char kSalesScanFailed[] =
    "B\x92\x86" "d operacji dyskowej przy odczycie tabeli sprzeda\xA7y Tspr!";
constexpr char kLinesScanFailed[] = "B\x92\x86" "d operacji dyskowej w ZliczKwoteParagonuBezGrupy!";
// "Raport został zapisany w pliku %s,\nale NIE został wysłany: %s.\n%s"
constexpr char kNotSentFormat[] =
    "Raport zosta\x92 zapisany w pliku %s,\nale NIE zosta\x92 wys\x92" "any: %s.\n%s";
// "Aby go wysłać, wykonaj ponownie eksport tych dni z menu."
constexpr char kNotSentFromMenu[] = "Aby go wys\x92" "a\x8D, wykonaj ponownie eksport tych dni z menu.";
// "Te dni zostaną wysłane z następnym eksportem automatycznym."
constexpr char kNotSentAutomatic[] =
    "Te dni zostan\x86 wys\x92" "ane z nast\x91pnym eksportem automatycznym.";
// "Nie wpisano numeru partnera sklepu (<key>=%s).\n" or "Numer partnera sklepu jest wpisany
//  niepoprawnie (<key>=%s).\n", then "Wpisz w pliku <file>, w sekcji [<section>], w kluczu
//  <key>,\nnumer partnera nadany przez operatora kart, samymi cyframi i bez spacji\n(na
//  przykład "1234", a nie "1 234").\nRaport nie został utworzony.", the file, section and
//  key those of the partner number.
constexpr char kNoPartnerFormat[] = "Nie wpisano numeru partnera sklepu (%s=%s).\n";
constexpr char kWrongPartnerFormat[] = "Numer partnera sklepu jest wpisany niepoprawnie (%s=%s).\n";
constexpr char kPartnerHowToFormat[] =
    "Wpisz w pliku %s, w sekcji [%s], w kluczu %s,\n"
    "numer partnera nadany przez operatora kart, samymi cyframi i bez spacji\n"
    "(na przyk\x92" "ad \"1234\", a nie \"1 234\").\n"
    "Raport nie zosta\x92 utworzony.";

// What the scan of the sales records made of a run.
struct ScanResult {
  long transactions;
  std::int64_t checksumHundredths;
  LeftOutReceipts leftOut;
  bool written;       // every transaction reached the file
  bool salesFailed;   // the host could not carry the scan of the sales records on, and
  bool linesFailed;   // could not give a receipt's lines: either way the report is incomplete
  bool Failed() const { return salesFailed || linesFailed; }
};

// Step 8: every sales record through the receipt selection; each transaction is written and
// added to the checksum. Stops where the host cannot carry the scan on or give a receipt's lines.
void ScanSalesRecords(void* sales, HostFile* file, const char* startDate, const char* endDate,
                      const int* excludedGroups, ScanResult* result) {
  alignas(8) unsigned char scanState[kScanStateSize] = {};
  alignas(8) unsigned char key[kScanKeySize] = {};
  HostMakeKey(tspr::kIndexByDate, 0, key, 0);
  const int begun = HostScanBegin(scanState, sales, tspr::kIndexByDate, key, 0, 0);
  if (begun < 0) result->salesFailed = true;
  int step = 0;
  if (begun > 0) {
    while (!result->Failed() && (step = HostScanNext(scanState)) == 1) {
      const unsigned char* record = TableRecordBuffer(sales, kSalesBytesRead);
      if (record == nullptr) {
        result->salesFailed = true;
        break;
      }
      CardTransaction transaction;
      switch (SelectReceipt(record, startDate, endDate, excludedGroups, &transaction)) {
        case ReceiptVerdict::kNotInReport:
          break;
        case ReceiptVerdict::kHostFailure:
          result->linesFailed = true;
          break;
        case ReceiptVerdict::kUnreadable:
          NoteLeftOutReceipt(&result->leftOut, transaction.documentNumber);
          break;
        case ReceiptVerdict::kTransaction:
          if (!AddToChecksum(&result->checksumHundredths, transaction.hundredths)) {
            NoteLeftOutReceipt(&result->leftOut, transaction.documentNumber);
            break;
          }
          result->written = WriteTransaction(file, transaction) && result->written;
          ++result->transactions;
          break;
      }
    }
    // A negative step is the host failing in the middle of the records.
    if (step < 0) result->salesFailed = true;
  }
  HostScanEnd(scanState);
}

// What the user sees when the report is on disk but its message could not be handed over.
void ShowNotSent(ExportTrigger trigger, const char* path, const char* reason) {
  char text[512];
  FormatText(text, sizeof text, kNotSentFormat, path, reason,
             trigger == ExportTrigger::kMenu ? kNotSentFromMenu : kNotSentAutomatic);
  HostShowMessage(kNoticeTitle, text, kStyleBox);
}

// Says why the report is not going out, records the run in the export log, and gives the
// writer's result for a report that did not go out.
int NotMade(ExportLogLine* log, ExportOutcome outcome, const char* title, const char* text) {
  log->outcome = outcome;
  AppendExportLog(*log);
  HostShowMessage(title, text, kStyleBox);
  return 0;
}

}  // namespace

int BuildReportFile(ExportTrigger trigger, const char* startDate, const char* endDate, const char* logNotes) {
  if (startDate == nullptr) startDate = "";
  if (endDate == nullptr) endDate = "";
  ExportLogLine log = NewExportLogLine(trigger, startDate, endDate);
  log.notes = logNotes;
  char text[512];

  // 1. The sales table. Without it there is nothing to report: an empty report would tell
  // the card operator that there were no card sales. Stop before anything is written.
  void* sales = HostOpenTable(tspr::kTable);
  if (sales == nullptr || TableRecordBuffer(sales, kSalesBytesRead) == nullptr) {
    return NotMade(&log, ExportOutcome::kNotCreated, kDiskErrorTitle, kNoSalesTableText);
  }
  HostPrepareTable(sales, kPrepareAllIndexes);

  // 2. The settings. A partner number that is not filled in, or typed wrong, would send the
  // report as somebody else's: refused before anything is written, naming the value as the
  // file holds it, which stays there as the shop typed it.
  ReportSettings settings;
  ReadReportSettings(&settings);
  if (settings.partnerIdValue == PartnerIdValue::kEmpty ||
      settings.partnerIdValue == PartnerIdValue::kWrong) {
    char typed[kPartnerIdKey.fieldSize];  // as typed; in Mazovia for the box when typed in UTF-8
    SettingTextInMazovia(settings.partnerIdText, kPartnerIdKey.fieldSize, typed, sizeof typed);
    const int used = FormatText(
        text, sizeof text, settings.partnerIdValue == PartnerIdValue::kEmpty ? kNoPartnerFormat : kWrongPartnerFormat,
        kPartnerIdKey.key, typed);
    const std::size_t first = used > 0 ? static_cast<std::size_t>(used) : 0;
    FormatText(text + first, sizeof text - first, kPartnerHowToFormat, kSettingsFile, kPartnerIdKey.section,
               kPartnerIdKey.key);
    char reason[48];
    FormatText(reason, sizeof reason, " powod=%s", kPartnerIdKey.key);
    log.more = reason;
    return NotMade(&log, ExportOutcome::kRefused, kNoticeTitle, text);
  }

  // 3. The folder; 4. the file's name, claimed for this run; 5. the file.
  CreateDirectoryA(kReportFolder, nullptr);
  char timestamp[kTimestampSize];
  FileTimestampText(timestamp);
  char fileName[kReportNameSize];
  char path[kReportNameSize];
  const bool claimed = ClaimReportFile(settings.partnerId, timestamp, fileName, path);
  HostFile* file = claimed ? HostOpenFile(path, "wt", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode) : nullptr;
  if (file == nullptr) {
    log.outcome = ExportOutcome::kNotCreated;
    AppendExportLog(log);
    ShowMessageV(kOpenErrorTitle, kOpenErrorFormat, kStyleBox, fileName);
    return 0;
  }
  log.fileName = fileName;

  // 6. The notice while the report is made; 7. the head; 8. the transactions.
  HostShowMessageF(kNoticeTitle, kProgressFormat, kStyleNotice, startDate, endDate);
  ScanResult scan{};
  scan.written = WriteReportHead(file, settings.partnerId, startDate, endDate);
  ScanSalesRecords(sales, file, startDate, endDate, settings.excludedGroups, &scan);
  log.transactions = scan.transactions;
  log.leftOut = scan.leftOut.count;

  // 9. The tail, only under a report that holds every card receipt and every piece: a file
  // without it is no well-formed report, so it cannot pass for a complete one.
  char creationStamp[kIsoDateTimeSize];
  CreationStampText(creationStamp);
  if (!scan.Failed() && scan.written) {
    scan.written = WriteReportTail(file, scan.checksumHundredths, creationStamp);
  }

  // 10. The close; every piece must have reached the disk.
  scan.written = HostCloseFile(file) == 0 && scan.written;
  HostCloseMessage();
  if (scan.Failed()) {
    FormatText(text, sizeof text, kIncompleteFormat, scan.salesFailed ? kSalesScanFailed : kLinesScanFailed,
               fileName);
    return NotMade(&log, ExportOutcome::kIncomplete, kDiskErrorTitle, text);
  }
  if (!scan.written) {
    // A report with a piece missing (no memory for it, a full disk) would be read as
    // complete by the card operator, so it is neither mailed nor counted as made.
    FormatText(text, sizeof text, kWriteErrorFormat, fileName);
    return NotMade(&log, ExportOutcome::kIncomplete, kDiskErrorTitle, text);
  }
  log.hasChecksum = true;
  log.checksumHundredths = scan.checksumHundredths;

  // 11. The message; 12. the final notice, only for a report that went to the mail service
  // (and, where the shop trusts its answer, that the service did not call undelivered).
  MailHandOver mail;
  const bool sent = SendReportMail(creationStamp, settings.shopName, path, &mail) != 0;
  log.answered = mail.handedOver;
  log.answer = mail.answer;
  log.answerChecked = mail.answerChecked ? 1 : 0;
  // "Sent" only where the mail service's answer was examined; otherwise the log says no more
  // than that the message went to the service.
  log.outcome = sent && mail.answerChecked ? ExportOutcome::kSent
                : sent                     ? ExportOutcome::kHandedOver
                : mail.notDelivered        ? ExportOutcome::kNotDelivered
                                           : ExportOutcome::kNotSent;
  AppendExportLog(log);
  if (sent) {
    FormatText(text, sizeof text, kFinalNoticeFormat, fileName);
    HostShowMessage(kNoticeTitle, text, kStyleNotice);
    Sleep(kFinalNoticeMs);
    HostCloseMessage();
  } else {
    ShowNotSent(trigger, path, mail.reason);
  }
  ShowLeftOutReceipts(scan.leftOut);
  return sent ? 1 : 0;
}
