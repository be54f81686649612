// The export log, Kronilog.log beside Kronilog.ini: one line for every export run that reaches
// the report writer or is refused, so that a shop can show what went out, and what the host's
// mail service answered, when a day is said to be missing.
#pragma once

#include <cstdint>

#include "export/export_trigger.h"

inline constexpr char kExportLogFile[] = "Kronilog.log";
inline constexpr char kOlderExportLogFile[] = "Kronilog.log.1";
// A line that would take the log past this starts a new one; the old one becomes the older.
inline constexpr int kExportLogLimit = 1024 * 1024;

// What became of the run: export_outcomes.inc lists each with its word in the log.
enum class ExportOutcome {
#define EXPORT_OUTCOME(name, word) name,
#include "export/export_outcomes.inc"
#undef EXPORT_OUTCOME
};

struct ExportLogLine {
  ExportTrigger trigger;    // "menu" or "auto"
  const char* startDate;    // host date texts; null or empty: none
  const char* endDate;
  long transactions;
  long leftOut;             // card receipts left out as unreadable
  bool hasChecksum;         // the report's tail, with its checksum, was written
  std::int64_t checksumHundredths;
  const char* fileName;     // the report file's name, null when none was made
  ExportOutcome outcome;
  bool answered;            // the mail service was called
  int answer;               // and answered this
  int answerChecked;        // kCheckDeliveryKey as the run read it: 0 or 1; -1 when not read
  const char* more;         // why it was refused: " key=value" fields, or null
  const char* notes;        // what the export run could not do as it should (" blokada=brak"
                            // and the like), or null
};

// A line with no report, no transactions and no answer yet, for the run's trigger and period.
ExportLogLine NewExportLogLine(ExportTrigger trigger, const char* startDate, const char* endDate);

// Appends the line, in one write, through the host's file services. Its fields and what each
// says are docs/export-log.md's; the one format that writes them is in export_log.cpp. A log
// that cannot be written changes nothing of the export.
void AppendExportLog(const ExportLogLine& line);
