// Kronilog.log: one ASCII (hence UTF-8) line an export run, appended with one write so that
// the lines of host instances writing at once never mix.
#include "export/export_log.h"

#include <cstring>

#include "export/amount.h"
#include "export/date_texts.h"
#include "frame/host_api.h"
#include "platform/win32.h"
#include "output/text_output.h"

namespace {

constexpr int kLineSize = 768;

const char* OutcomeWord(ExportOutcome outcome) {
  switch (outcome) {
    case ExportOutcome::kSent: return "wyslany";
    case ExportOutcome::kNotSent: return "niewyslany";
    case ExportOutcome::kNotDelivered: return "niedostarczony";
    case ExportOutcome::kIncomplete: return "niepelny";
    case ExportOutcome::kNotCreated: return "nieutworzony";
    case ExportOutcome::kRefused: return "odmowa";
  }
  return "?";
}

bool HasText(const char* text) { return text != nullptr && text[0] != '\0'; }
const char* OrDash(const char* text) { return HasText(text) ? text : "-"; }

// Opens the log for appending; a log that the line would take past its limit becomes the
// older log first. Null when the log cannot be opened.
HostFile* OpenLog(int lineLength) {
  HostFile* log = HostOpenFile(kExportLogFile, "ab", 64, 0, -1);
  if (log == nullptr) return nullptr;
  HostSeekFile(log, 0, 2);
  const int size = HostTellFile(log);
  if (size <= 0 || size <= kExportLogLimit - lineLength) return log;
  HostCloseFile(log);
  MoveFileExA(kExportLogFile, kOlderExportLogFile, MOVEFILE_REPLACE_EXISTING);
  return HostOpenFile(kExportLogFile, "ab", 64, 0, -1);
}

}  // namespace

ExportLogLine NewExportLogLine(int flag, const char* startDate, const char* endDate) {
  ExportLogLine line = {};
  line.flag = flag;
  line.startDate = startDate;
  line.endDate = endDate;
  line.outcome = ExportOutcome::kNotCreated;
  return line;
}

void AppendExportLog(const ExportLogLine& entry) {
  char when[kLogTimeSize];
  LogTimeText(when);
  char checksum[kAmountTextSize] = "-";
  if (entry.hasChecksum) AmountText(checksum, entry.checksumHundredths);
  char answer[16] = "-";
  if (entry.answered) FormatText(answer, sizeof answer, "%d", entry.answer);

  // The period as "<start>-<end>", a missing bound as "-"; "-" alone when the run never had one.
  char period[32] = "-";
  if (HasText(entry.startDate) || HasText(entry.endDate)) {
    FormatText(period, sizeof period, "%s-%s", OrDash(entry.startDate), OrDash(entry.endDate));
  }
  // Whatever the fields hold, the line ends with its line end.
  char line[kLineSize];
  FormatText(line, sizeof line - 2,
             "%s %s okres=%s transakcje=%ld pominiete=%ld suma=%s plik=%s wynik=%s poczta=%s%s",
             when, entry.flag != 0 ? "menu" : "auto", period,
             entry.transactions, entry.leftOut, checksum, OrDash(entry.fileName),
             OutcomeWord(entry.outcome), answer, entry.more != nullptr ? entry.more : "");
  std::strcat(line, "\r\n");
  const int length = static_cast<int>(std::strlen(line));

  HostFile* log = OpenLog(length);
  if (log == nullptr) return;
  HostWriteFile(line, 1, length, log);
  HostCloseFile(log);
}
