// The report file writer: one Kronilog XML file for a range of sale dates.
#pragma once

// flag: 1 from the menu, 0 from the automatic export. Returns 1 after a complete run, 0 when
// the report file could not be opened.
int BuildReportFile(int flag, const char* startDate, const char* endDate);

// "%04d-%02d-%02dT%02d:%02d:00.000" from a host date text and a time text (hh:mm[:ss]).
char* IsoDateTimeText(char* out, const char* dateText, const char* timeText);
// The 14-digit timestamp of the file name, from the host's clock.
char* FileTimestampText(char* out);
