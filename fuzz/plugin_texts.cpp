// The plug-in's text routines on arbitrary texts: SplitFileName on a path, IsoDateTimeText on
// a date and a time text, and FileTimestampText with the host's clock giving arbitrary texts
// (within the 8 characters and NUL the host promises). Results must stay in their buffers,
// and a produced date-time text must have its fixed form.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/date_texts.h"
#include "export/report_file.h"
#include "binding/host_api.h"
#include "fuzz/support.h"
#include "mail/attachment.h"

namespace {

std::string todayText;
std::string timeText;

char* HOSTAPI FuzzedToday(char* buffer) {
  std::memcpy(buffer, todayText.c_str(), todayText.size() + 1);
  return buffer;
}

char* HOSTAPI FuzzedTime(char* buffer, int) {
  std::memcpy(buffer, timeText.c_str(), timeText.size() + 1);
  return buffer;
}

void Fail(const char* what, const char* text) {
  std::fprintf(stderr, "%s: \"%s\"\n", what, text);
  std::abort();
}

// "dddd-dd-ddTdd:dd:00.000" (23 characters), or empty.
void CheckIsoText(const char* text) {
  std::size_t length = strnlen(text, 24);
  if (length == 0) return;
  if (length != 23) Fail("a date-time text of the wrong length", text);
  for (std::size_t i = 0; i < 23; ++i) {
    char expected = "dddd-dd-ddTdd:dd:00.000"[i];
    bool ok = expected == 'd' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0 : text[i] == expected;
    if (!ok) Fail("a date-time text out of form", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool bound = [] {
    fuzz::BindToEmulator(fuzz::QuietOptions());
    hostSlots.HostTodayText = &FuzzedToday;
    hostSlots.HostTimeText = &FuzzedTime;
    return true;
  }();
  (void)bound;
  FuzzedDataProvider input(data, size);
  std::string date = input.ConsumeRandomLengthString(64);
  std::string time = input.ConsumeRandomLengthString(64);
  todayText = input.ConsumeRandomLengthString(8);
  timeText = input.ConsumeRandomLengthString(8);
  std::string path = input.ConsumeRemainingBytesAsString();
  path = path.substr(0, path.find('\0'));

  char stem[256];
  char extension[256];
  std::memset(stem, 'x', sizeof stem);
  std::memset(extension, 'x', sizeof extension);
  SplitFileName(path.c_str(), stem, extension);
  if (strnlen(stem, sizeof stem) == sizeof stem) Fail("a stem without its NUL", path.c_str());
  if (strnlen(extension, sizeof extension) == sizeof extension) Fail("an extension without its NUL", path.c_str());
  if (std::strchr(stem, '\\') != nullptr || std::strchr(extension, '\\') != nullptr) {
    Fail("a directory part in the name", path.c_str());
  }

  char iso[24];
  std::memset(iso, 'x', sizeof iso);
  CheckIsoText(IsoDateTimeText(iso, date.c_str(), time.c_str()));

  char stamp[15];
  std::memset(stamp, 'x', sizeof stamp);
  FileTimestampText(stamp);
  if (strnlen(stamp, sizeof stamp) == sizeof stamp) Fail("a timestamp without its NUL", todayText.c_str());
  fuzz::CheckNothingLeft("texts");
  return 0;
}
