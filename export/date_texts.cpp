// Date and time texts of the report file.
#include "export/date_texts.h"

#include <cstdlib>

#include "binding/host_api.h"
#include "output/text_output.h"

namespace {

constexpr int kTimeFormHms = 1;
constexpr int kTimeFormHm = 2;
constexpr int kMinutesPerDay = 1440;

// The decimal number at the start of text (a leading blank allowed); -1 when there is none.
int LeadingNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return -1;
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

// Hours, minutes and seconds of a time text hh:mm[:ss], each cut at its colon. -1 for a part
// that holds no number.
void SplitTimeText(const char* timeText, int* hours, int* minutes, int* seconds) {
  char copy[16] = {};
  HostCopyText(copy, timeText != nullptr ? timeText : "", 10);
  copy[10] = '\0';
  copy[2] = copy[5] = copy[8] = '\0';
  *hours = LeadingNumber(copy);
  *minutes = LeadingNumber(copy + 3);
  *seconds = LeadingNumber(copy + 6);
}

// Today's date text and the time of day in the given form, from the host's clock.
struct ClockTexts {
  char today[kHostDateTextSize];
  char now[16];
};
ClockTexts ReadClock(int timeForm) {
  ClockTexts clock = {};
  HostTodayText(clock.today);
  clock.today[sizeof clock.today - 1] = '\0';
  HostTimeText(clock.now, timeForm);
  clock.now[sizeof clock.now - 1] = '\0';
  return clock;
}

bool IsTimeOfDay(int hours, int minutes) {
  return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

}  // namespace

bool ParseReportDate(const char* dateText, short* year, short* month, short* day) {
  *year = *month = *day = 0;
  if (dateText == nullptr || dateText[0] == '\0') return false;
  HostParseDate(dateText, year, month, day, 0);
  if (*year >= 1 && *year <= 9999 && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31) {
    return true;
  }
  *year = *month = *day = 0;
  return false;
}

char* IsoDateTimeText(char* out, const char* dateText, const char* timeText) {
  out[0] = '\0';
  short year, month, day;
  if (!ParseReportDate(dateText, &year, &month, &day)) return out;
  int hours, minutes, seconds;
  SplitTimeText(timeText, &hours, &minutes, &seconds);
  if (!IsTimeOfDay(hours, minutes)) return out;
  int t = hours * 60 + minutes;
  if (t == 0) t = kMinutesPerDay;  // midnight belongs to the end of the day
  FormatText(out, kIsoDateTimeSize, "%04d-%02d-%02dT%02d:%02d:00.000", year, month, day, t / 60,
             t % 60);
  return out;
}

char* CreationStampText(char* out) {
  const ClockTexts clock = ReadClock(kTimeFormHm);
  return IsoDateTimeText(out, clock.today, clock.now);
}

namespace {

// The host clock's date and time of day (form hh:mm:ss) as numbers; a part that cannot be
// read is 0.
struct ClockMoment {
  short year, month, day;
  int hours, minutes, seconds;
};
ClockMoment ReadClockMoment() {
  const ClockTexts clock = ReadClock(kTimeFormHms);
  ClockMoment moment;
  ParseReportDate(clock.today, &moment.year, &moment.month, &moment.day);
  SplitTimeText(clock.now, &moment.hours, &moment.minutes, &moment.seconds);
  if (!IsTimeOfDay(moment.hours, moment.minutes)) moment.hours = moment.minutes = 0;
  if (moment.seconds < 0 || moment.seconds > 59) moment.seconds = 0;
  return moment;
}

}  // namespace

char* FileTimestampText(char* out) {
  const ClockMoment now = ReadClockMoment();
  int t = now.hours * 60 + now.minutes;
  if (t == 0) t = kMinutesPerDay;
  FormatText(out, kTimestampSize, "%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day, t / 60,
             t % 60, now.seconds);
  return out;
}

char* LogTimeText(char* out) {
  const ClockMoment now = ReadClockMoment();
  FormatText(out, kLogTimeSize, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day,
             now.hours, now.minutes, now.seconds);
  return out;
}

bool SaleTimeText(char* out, int minutes) {
  out[0] = '\0';
  if (minutes < 0 || minutes >= kMinutesPerDay) return false;
  FormatText(out, kSaleTimeTextSize, "%2d:%02d:%02d", minutes / 60, minutes % 60, 0);
  return true;
}
