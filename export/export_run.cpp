// The two ways into an export run: the menu entry with its date form, and the host's daily
// call (entry 30009), which exports the days since the last automatic export up to yesterday.
#include "export/export_run.h"

#include <cstring>

#include "export/automatic_turn.h"
#include "export/date_texts.h"
#include "export/export_log.h"
#include "export/export_services.h"
#include "export/report_date_form.h"
#include "export/report_file.h"
#include "binding/host_api.h"
#include "settings/settings.h"
#include "settings/settings_readers.h"
#include "output/text_output.h"

namespace {

constexpr int kStateBit = 0x8000;

constexpr char kDatesInWrongOrder[] =
    "Data pocz\x86tkowa nie mo\xA7" "e by\x8D p\xA2\xA6niejsza, ni\xA7 data ko\xA4" "cowa!";
constexpr char kBadDateFormat[] = "Niepoprawna data: \"%s\"!";
// "Eksport sprzedaży do Kronilog nie jest możliwy.\nProgram Targomir nie udostępnia usług
//  potrzebnych do eksportu:\n%s\nRaport nie został utworzony. Konieczna jest aktualizacja
//  programu Targomir."
constexpr char kMissingServicesFormat[] =
    "Eksport sprzeda\xA7y do Kronilog nie jest mo\xA7liwy.\n"
    "Program Targomir nie udost\x91pnia us\x92ug potrzebnych do eksportu:\n%s\n"
    "Raport nie zosta\x92 utworzony. Konieczna jest aktualizacja programu Targomir.";

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
  HostCashRegisterRead(kReadSelectedRegisters, kCashRegisterReadReserved);
  if (quiet != nullptr) *quiet = 0;
}

// True when the host lacks a service the export needs: then the export is refused before
// anything is read or written, with one box naming the services, and one line in the log.
bool RefusedForMissingServices(ExportTrigger trigger, const char* logNotes) {
  StandInService missing[kMostMissingServices];
  const int count = MissingExportServices(missing);
  if (count == 0) return false;
  char names[kMostMissingServices * 32] = "";
  char numbers[kMostMissingServices * 8] = " powod=brak-uslug brak=";
  for (int i = 0; i < count; ++i) {
    const std::size_t usedNames = std::strlen(names);
    FormatText(names + usedNames, sizeof names - usedNames, "%s%u %s", i > 0 ? "\n" : "",
               missing[i].ordinal, missing[i].name);
    const std::size_t usedNumbers = std::strlen(numbers);
    FormatText(numbers + usedNumbers, sizeof numbers - usedNumbers, "%s%u", i > 0 ? "," : "",
               missing[i].ordinal);
  }
  ExportLogLine log = NewExportLogLine(trigger, nullptr, nullptr);
  log.outcome = ExportOutcome::kRefused;
  log.more = numbers;
  log.notes = logNotes;
  AppendExportLog(log);
  char text[sizeof kMissingServicesFormat + sizeof names];
  FormatText(text, sizeof text, kMissingServicesFormat, names);
  HostAlert(text);
  return true;
}

// A date key of the automatic export's bookkeeping: true, and the date in date
// (the key's field size), when the key holds a calendar date. A key that holds something
// else leaves that text in date.
bool ReadDateKey(const SettingKey& key, char* date) {
  return ReadText(key, date) && date[0] != '\0' && IsCalendarDate(date);
}

// True when an automatic export failed earlier today: it is tried once a calendar day, so a
// failing day neither reads the registers nor shows its error again on every call.
bool FailedEarlierToday(const char* today) {
  char tried[kFailedTryDateKey.fieldSize];
  return ReadDateKey(kFailedTryDateKey, tried) && HostCompareDates(today, tried) == 0;
}

// Notes the first day of the export's range as not sent yet (kUnsentSinceKey), before anything
// is read: whatever stops the export from here on, a kill, a crash or a power cut included,
// the next automatic export starts there. An earlier day noted already stands (start is never
// later than it). False when the note cannot be read back: the settings file takes no writes.
bool NotePendingDays(const char* start, const char* noted) {
  if (noted[0] == '\0' || HostCompareDates(noted, start) != 0) WriteSetting(kUnsentSinceKey, start);
  char stored[kUnsentSinceKey.fieldSize];
  return ReadDateKey(kUnsentSinceKey, stored) && HostCompareDates(stored, start) == 0;
}

// Appends a " key=value" field to a run's log notes (kLogNotesSize bytes).
constexpr int kLogNotesSize = 64;
void AddLogNote(char* notes, const char* field) {
  const std::size_t used = std::strlen(notes);
  FormatText(notes + used, kLogNotesSize - used, " %s", field);
}

// The automatic export while this instance holds the turn, or while nobody can (unguarded).
short RunAutomaticExportInTurn(bool unguarded) {
  char notes[kLogNotesSize] = "";
  if (unguarded) AddLogNote(notes, "blokada=brak");
  if (RefusedForMissingServices(ExportTrigger::kAutomatic, notes)) return 1;  // the days stay due: nothing is stored
  char today[kHostDateTextSize] = {};
  char yesterday[kHostDateTextSize] = {};
  char start[kLastExportDateKey.fieldSize] = {};
  HostTodayText(today);
  today[sizeof today - 1] = '\0';
  CopyDate(yesterday, sizeof yesterday, today);
  HostAddDays(yesterday, yesterday, -1);
  yesterday[sizeof yesterday - 1] = '\0';

  // A stored date that is not a date (edited by hand) counts as no stored date.
  if (!ReadDateKey(kLastExportDateKey, start)) CopyDate(start, sizeof start, yesterday);

  if (HostCompareDates(today, start) == 0) return 0;  // today's export is made already
  if (FailedEarlierToday(today)) return 0;
  if (HostCompareDates(start, yesterday) >= 0) {
    CopyDate(start, sizeof start, yesterday);
    HostAddDays(start, start, -1);
    start[sizeof start - 1] = '\0';
  }
  // Days that an export before was to send and did not, the very first export's included,
  // come first.
  char unsentSince[kUnsentSinceKey.fieldSize];
  if (!ReadDateKey(kUnsentSinceKey, unsentSince)) unsentSince[0] = '\0';
  if (unsentSince[0] != '\0' && HostCompareDates(unsentSince, start) < 0) {
    CopyDate(start, sizeof start, unsentSince);
  }

  const short* ready = HostReadyFlag();
  if (ready == nullptr || *ready == 0) return 1;  // the next call tries again

  const bool bitWasSet = (HostGetStateFlags() & kStateBit) != 0;
  if (!bitWasSet) HostSetStateFlags(kStateBit, 1);

  if (!NotePendingDays(start, unsentSince)) AddLogNote(notes, "niewyslaneOd=niezapisane");
  short flags[kCashRegisterCount];
  ReadCashRegisterFlags(flags);
  ReadReceipts(flags);
  // Only a report that was written whole and sent moves the stored date on and clears the
  // note of days not sent; after a failure the note stays, so the next export that goes out
  // starts there, and the failed day is noted so that it is not tried again until tomorrow.
  if (BuildReportFile(ExportTrigger::kAutomatic, start, yesterday, notes) != 0) {
    WriteSetting(kLastExportDateKey, today);
    char text[kLastReadRangeKey.fieldSize];
    FormatText(text, sizeof text, "Eksport danych od %s do %s", start, yesterday);
    WriteSetting(kLastReadRangeKey, text);
    WriteSetting(kUnsentSinceKey, "");
  } else {
    WriteSetting(kFailedTryDateKey, today);
  }

  if (!bitWasSet) HostSetStateFlags(kStateBit, 0);
  return 1;
}

}  // namespace

short RunExportFromMenu() {
  if (RefusedForMissingServices(ExportTrigger::kMenu, nullptr)) return 0;
  char today[kHostDateTextSize] = {};
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
  BuildReportFile(ExportTrigger::kMenu, range.start, range.end);
  return 1;
}

int RunAutomaticExport() {
  const int* quiet = HostQuietFlag();
  if (quiet != nullptr && *quiet != 0) return 0;
  HostCallbackStart(1);
  HANDLE turn;
  const TurnResult taken = TakeAutomaticTurn(&turn);
  if (taken == TurnResult::kHeldElsewhere) return 0;  // another instance's export is under way
  const short result = RunAutomaticExportInTurn(taken == TurnResult::kNoLock);
  EndAutomaticTurn(turn);
  return result;
}
