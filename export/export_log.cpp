// Kronilog.log: one ASCII (hence UTF-8) line an export run, appended with one write so that
// the lines of host instances writing at once never mix.
#include "export/export_log.h"

#include <cstring>

#include "export/amount.h"
#include "export/date_texts.h"
#include "binding/host_api.h"
#include "platform/win32.h"
#include "output/text_output.h"

// The plug-in's version, from the build's project version.
#ifndef KRONILOG_VERSION
#error "KRONILOG_VERSION is set by the build"
#endif

namespace {

constexpr int kLineSize = 768;

// The outcomes' words, in the enum's order.
constexpr const char* kOutcomeWords[] = {
#define EXPORT_OUTCOME(name, word) word,
#include "export/export_outcomes.inc"
#undef EXPORT_OUTCOME
};

const char* OutcomeWord(ExportOutcome outcome) { return kOutcomeWords[static_cast<int>(outcome)]; }

bool HasText(const char* text) { return text != nullptr && text[0] != '\0'; }
const char* OrDash(const char* text) { return HasText(text) ? text : "-"; }

// One bound of the period as dd.mm.yy; "*" for an open bound, "?" for one that is no date.
void BoundText(char* out, std::size_t size, const char* date) {
  short year, month, day;
  if (!HasText(date)) {
    FormatText(out, size, "*");
  } else if (ParseReportDate(date, &year, &month, &day)) {
    FormatText(out, size, "%02d.%02d.%02d", day, month, year % 100);
  } else {
    FormatText(out, size, "?");
  }
}

// The host instance (till) the line comes from, "-" when the host gives no number.
void InstanceText(char* out, std::size_t size) {
  const int* instance = HostInstanceNumber();
  if (instance == nullptr) {
    FormatText(out, size, "-");
  } else {
    FormatText(out, size, "%d", *instance);
  }
}

// Opens the log for appending; a log that the line would take past its limit becomes the
// older log first. Null when the log cannot be opened.
HostFile* OpenLog(int lineLength) {
  HostFile* log = HostOpenFile(kExportLogFile, "ab", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode);
  if (log == nullptr) return nullptr;
  HostSeekFile(log, 0, 2);
  const int size = HostTellFile(log);
  if (size <= 0 || size <= kExportLogLimit - lineLength) return log;
  HostCloseFile(log);
  MoveFileExA(kExportLogFile, kOlderExportLogFile, MOVEFILE_REPLACE_EXISTING);
  return HostOpenFile(kExportLogFile, "ab", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode);
}

}  // namespace

ExportLogLine NewExportLogLine(ExportTrigger trigger, const char* startDate, const char* endDate) {
  ExportLogLine line = {};
  line.trigger = trigger;
  line.startDate = startDate;
  line.endDate = endDate;
  line.outcome = ExportOutcome::kNotCreated;
  line.answerChecked = -1;
  return line;
}

void AppendExportLog(const ExportLogLine& entry) {
  char when[kLogTimeSize];
  LogTimeText(when);
  char checksum[kAmountTextSize] = "-";
  if (entry.hasChecksum) AmountText(checksum, entry.checksumHundredths);
  char answer[16] = "-";
  if (entry.answered) FormatText(answer, sizeof answer, "%d", entry.answer);

  // The period as "<start>-<end>"; "-" alone when the run never had one.
  char period[32] = "-";
  if (HasText(entry.startDate) || HasText(entry.endDate)) {
    char start[12];
    char end[12];
    BoundText(start, sizeof start, entry.startDate);
    BoundText(end, sizeof end, entry.endDate);
    FormatText(period, sizeof period, "%s-%s", start, end);
  }
  char instance[16];
  InstanceText(instance, sizeof instance);
  const char* checked = entry.answerChecked < 0 ? "-" : entry.answerChecked != 0 ? "1" : "0";
  // Whatever the fields hold, the line ends with its line end.
  char line[kLineSize];
  FormatText(line, sizeof line - 2,
             "%s %s okres=%s transakcje=%ld pominiete=%ld suma=%s plik=%s wynik=%s poczta=%s%s "
             "wersja=%s stanowisko=%s sprawdz=%s%s",
             when, entry.trigger == ExportTrigger::kMenu ? "menu" : "auto", period,
             entry.transactions, entry.leftOut, checksum, OrDash(entry.fileName),
             OutcomeWord(entry.outcome), answer, entry.more != nullptr ? entry.more : "",
             KRONILOG_VERSION, instance, checked, entry.notes != nullptr ? entry.notes : "");
  std::strcat(line, "\r\n");
  const int length = static_cast<int>(std::strlen(line));

  HostFile* log = OpenLog(length);
  if (log == nullptr) return;
  HostWriteFile(line, 1, length, log);
  HostCloseFile(log);
}
