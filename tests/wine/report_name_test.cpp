// The report file's name claimed with Windows' own CreateFileA: the plug-in's code compiled by
// mingw, run under Wine in a folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export/report_name.h"

namespace {

namespace fs = std::filesystem;

TEST(Win32Calls, AReportNameTakenInTheSameSecondGetsTheNextNumber) {
  const fs::path previous = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / "kronilog-report-name";
  fs::remove_all(folder);
  fs::create_directories(folder / kReportFolder);
  fs::current_path(folder);
  char fileName[kReportNameSize];
  char path[kReportNameSize];
  for (const char* expected : {"H0007_20260315102030.xml", "H0007_20260315102030_2.xml",
                               "H0007_20260315102030_3.xml"}) {
    ASSERT_TRUE(ClaimReportFile(7, "20260315102030", fileName, path));
    EXPECT_STREQ(fileName, expected);
    EXPECT_EQ(std::string(path), std::string("RAP_KART\\") + expected);
    EXPECT_TRUE(fs::exists(fs::path(kReportFolder) / expected));
  }
  // No folder: the name is left to the open, which reports the failure.
  fs::remove_all(kReportFolder);
  EXPECT_TRUE(ClaimReportFile(7, "20260315102030", fileName, path));
  EXPECT_STREQ(fileName, "H0007_20260315102030.xml");
  fs::current_path(previous);
  fs::remove_all(folder);
}

}  // namespace
