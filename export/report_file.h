// The report file writer: one Kronilog XML file for a range of sale dates, mailed when whole.
#pragma once

#include "export/export_trigger.h"

// trigger: the menu or the automatic export (it chooses what the user is told to do when the
// report could not be sent, and how the run is named in the export log). Returns 1
// when the report was written whole and its message handed to the host's mail service (and,
// where the shop trusts the service's answer, not called undelivered by it); 0 when the export
// was refused (no partner number), the report could not be made (no sales table, no file), is
// incomplete (a piece not written, the host unable to give a receipt's lines) or was written
// but not sent. The user has been told in each case, and the run has its line in the log.
// logNotes: " key=value" fields the export run adds to the run's line in the export log.
int BuildReportFile(ExportTrigger trigger, const char* startDate, const char* endDate,
                    const char* logNotes = nullptr);
