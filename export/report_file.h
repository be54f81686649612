// The report file writer: one Kronilog XML file for a range of sale dates.
#pragma once

// flag: 1 from the menu, 0 from the automatic export. Returns 1 after a complete run, 0 when
// the report file could not be opened or not written in full (then nothing is mailed).
int BuildReportFile(int flag, const char* startDate, const char* endDate);

// "%04d-%02d-%02dT%02d:%02d:00.000" from a host date text and a time text (hh:mm[:ss]); a
// time of 00:00 is written as 24:00 of the same date. out holds at least 24 bytes; it is left
// empty when the date or the time cannot be read.
char* IsoDateTimeText(char* out, const char* dateText, const char* timeText);
// The 14-digit timestamp of the file name, from the host's clock (out: at least 15 bytes).
char* FileTimestampText(char* out);

// Splits a host date text with HostParseDate; false when the host gives no calendar date for
// it (an empty text or one that does not parse), then year, month and day are 0.
bool ParseReportDate(const char* dateText, short* year, short* month, short* day);
