// The two ways into an export run: the menu entry with its date form, and the host's daily
// call (entry 30009), which exports the days since the last automatic export up to yesterday.
#include "export/export_run.h"

#include <cstring>

#include "export/date_texts.h"
#include "export/report_date_form.h"
#include "export/report_file.h"
#include "frame/host_api.h"
#include "settings/settings.h"
#include "settings/text_output.h"

namespace {

constexpr int kStateBit = 0x8000;

constexpr char kDatesInWrongOrder[] =
    "Data pocz\x86tkowa nie mo\xA7" "e by\x8D p\xA2\xA6niejsza, ni\xA7 data ko\xA4" "cowa!";
constexpr char kBadDateFormat[] = "Niepoprawna data: \"%s\"!";

void CopyDate(char* destination, std::size_t size, const char* source) {
  std::size_t length = strnlen(source, size - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

bool IsCalendarDate(const char* text) {
  short year, month, day;
  return ParseReportDate(text, &year, &month, &day);
}

// Has the host read the selected registers' receipts into its sales tables, quietly. The
// quiet flag is cleared afterwards, not restored.
void ReadReceipts(short* flags) {
  int* quiet = HostQuietFlag();
  if (quiet != nullptr) *quiet = 1;
  HostCashRegisterSelect(flags, kCashRegisterCount);
  HostCashRegisterRead(1, 0);
  if (quiet != nullptr) *quiet = 0;
}

// True when an automatic export failed earlier today: it is tried once a calendar day, so a
// failing day neither reads the registers nor shows its error again on every call.
bool FailedEarlierToday(const char* today) {
  char tried[kLastExportDateSize] = {};
  int found = IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kKeyFailedTryDate, "%s", tried);
  tried[sizeof tried - 1] = '\0';
  return (found & 0xFFFF) == 0 && IsCalendarDate(tried) && HostCompareDates(today, tried) == 0;
}

}  // namespace

short RunExportFromMenu() {
  char today[12] = {};
  HostTodayText(today);
  today[sizeof today - 1] = '\0';
  HostAddDays(today, today, -1);
  today[sizeof today - 1] = '\0';

  ReportDateRange range;
  CopyDate(range.start, sizeof range.start, today);
  CopyDate(range.end, sizeof range.end, today);
  int button = HostRunForm(ReportDateForm.data(), kReportDateFormNumber, &range, 0);
  if ((button & 0xFFFF) != kReportDateFormRun) return 0;
  range.start[sizeof range.start - 1] = '\0';
  range.end[sizeof range.end - 1] = '\0';

  // An empty field puts no bound on its side; anything else must be a date.
  for (const char* field : {range.start, range.end}) {
    if (field[0] != '\0' && !IsCalendarDate(field)) {
      char text[64];
      FormatText(text, sizeof text, kBadDateFormat, field);
      HostAlert(text);
      return 0;
    }
  }
  if (range.start[0] != '\0' && range.end[0] != '\0' && HostCompareDates(range.start, range.end) > 0) {
    HostAlert(kDatesInWrongOrder);
    return 0;
  }

  short flags[kCashRegisterCount];
  ReadCashRegisterFlags(flags);
  ReadReceipts(flags);
  BuildReportFile(1, range.start, range.end);
  return 1;
}

short RunAutomaticExport() {
  char today[12] = {};
  char yesterday[12] = {};
  char start[kLastExportDateSize] = {};
  HostTodayText(today);
  today[sizeof today - 1] = '\0';
  CopyDate(yesterday, sizeof yesterday, today);
  HostAddDays(yesterday, yesterday, -1);
  yesterday[sizeof yesterday - 1] = '\0';

  int found = IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kKeyLastExportDate, "%s", start);
  start[sizeof start - 1] = '\0';
  // A stored date that is not a date (edited by hand) counts as no stored date.
  if ((found & 0xFFFF) != 0 || !IsCalendarDate(start)) CopyDate(start, sizeof start, yesterday);

  if (HostCompareDates(today, start) == 0) return 0;  // today's export is made already
  if (FailedEarlierToday(today)) return 0;
  if (HostCompareDates(start, yesterday) >= 0) {
    CopyDate(start, sizeof start, yesterday);
    HostAddDays(start, start, -1);
    start[sizeof start - 1] = '\0';
  }

  const short* ready = HostReadyFlag();
  if (ready == nullptr || *ready == 0) return 1;  // the next call tries again

  const bool bitWasSet = (HostGetStateFlags() & kStateBit) != 0;
  if (!bitWasSet) HostSetStateFlags(kStateBit, 1);

  short flags[kCashRegisterCount];
  ReadCashRegisterFlags(flags);
  ReadReceipts(flags);
  // Only a report that was written whole and handed to the mail service moves the stored
  // date on: after a failure the next day's export covers the same days again, so no day
  // goes unreported. The failed day is noted so that it is not tried again until tomorrow.
  if (BuildReportFile(0, start, yesterday) != 0) {
    IniAccess(kSettingsFile, kIniWrite, kSectionBookkeeping, kKeyLastExportDate, "%s", today);
    char text[kLastReadRangeSize];
    FormatText(text, sizeof text, "Eksport danych od %s do %s", start, yesterday);
    IniAccess(kSettingsFile, kIniWrite, kSectionBookkeeping, kKeyLastReadRange, "%s", text);
  } else {
    IniAccess(kSettingsFile, kIniWrite, kSectionBookkeeping, kKeyFailedTryDate, "%s", today);
  }

  if (!bitWasSet) HostSetStateFlags(kStateBit, 0);
  return 1;
}

int AutomaticExportCallback() {
  const int* quiet = HostQuietFlag();
  if (quiet != nullptr && *quiet != 0) return 0;
  HostCallbackStart(1);
  return RunAutomaticExport();
}
