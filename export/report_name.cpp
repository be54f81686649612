// Naming and claiming the report file of a run.
#include "export/report_name.h"

#include "platform/win32.h"
#include "output/text_output.h"

namespace {

constexpr int kMostFilesInOneSecond = 99;

}  // namespace

bool ClaimReportFile(long partnerId, const char* timestamp, char* fileName, char* path) {
  for (int copy = 1; copy <= kMostFilesInOneSecond; ++copy) {
    if (copy == 1) {
      FormatText(fileName, kReportNameSize, "H%04ld_%s.xml", partnerId, timestamp);
    } else {
      FormatText(fileName, kReportNameSize, "H%04ld_%s_%d.xml", partnerId, timestamp, copy);
    }
    FormatText(path, kReportNameSize, "%s\\%s", kReportFolder, fileName);
    // Created exclusively: of two exports that want one name, only one gets it.
    HANDLE claimed = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (claimed != INVALID_HANDLE_VALUE) {
      CloseHandle(claimed);
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return true;
  }
  FormatText(fileName, kReportNameSize, "H%04ld_%s.xml", partnerId, timestamp);
  FormatText(path, kReportNameSize, "%s\\%s", kReportFolder, fileName);
  return false;
}
