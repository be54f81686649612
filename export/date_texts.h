// Date and time texts of the report: the date-times inside the file and the timestamp of its
// name, made from host date texts and time texts.
#pragma once

inline constexpr int kIsoDateTimeSize = 24;  // "yyyy-mm-ddThh:mm:00.000" and the NUL
inline constexpr int kTimestampSize = 15;    // 14 digits and the NUL
inline constexpr int kSaleTimeTextSize = 16;  // "hh:mm:ss" and room to spare
inline constexpr int kLogTimeSize = 20;       // "yyyy-mm-dd hh:mm:ss" and the NUL

// "%04d-%02d-%02dT%02d:%02d:00.000" from a host date text and a time text (hh:mm[:ss]); a
// time of 00:00 is written as 24:00 of the same date. out holds at least 24 bytes; it is left
// empty when the date or the time cannot be read.
char* IsoDateTimeText(char* out, const char* dateText, const char* timeText);

// The FileCreationDate text: IsoDateTimeText of today's date and the time of day (hh:mm).
char* CreationStampText(char* out);

// The 14-digit timestamp of the file name, from the host's clock (out: at least 15 bytes).
char* FileTimestampText(char* out);

// "yyyy-mm-dd hh:mm:ss" of the host's clock, midnight as 00:00:00 (out: kLogTimeSize bytes).
char* LogTimeText(char* out);

// Splits a host date text with HostParseDate; false when the host gives no calendar date for
// it (an empty text or one that does not parse), then year, month and day are 0.
bool ParseReportDate(const char* dateText, short* year, short* month, short* day);

// The time text "hh:mm:ss" (hours with a leading blank, seconds 00) of a sale time in minutes
// after midnight, into out (kSaleTimeTextSize bytes); false, and out empty, when the minutes
// are not a time of the day (0 to 1439).
bool SaleTimeText(char* out, int minutes);
