// The records the host and the plug-in share, as the Windows builds lay them out: compiled by
// mingw and run under Wine. The 32-bit build is the one a host program loads, and the layouts
// are its contract; the 64-bit test build keeps the fields in the same order, each pointer
// in a word of its own.
#include <gtest/gtest.h>

#include <cstddef>

#include "export/report_date_form.h"
#include "binding/host_api.h"
#include "contract/host_types.h"

namespace {

#if defined(_WIN64)
constexpr std::size_t kWord = 8;
#else
constexpr std::size_t kWord = 4;
#endif

// 32-bit: 20 bytes, a field every 4 (the host's record); 64-bit: a field every 8.
TEST(Win32Layout, MenuEntryRecordHasItsFieldsWhereTheHostReadsThem) {
  EXPECT_EQ(sizeof(MenuEntry), 5 * kWord);
  EXPECT_EQ(offsetof(MenuEntry, menuCode), 0u);
  EXPECT_EQ(offsetof(MenuEntry, text), kWord);
  EXPECT_EQ(offsetof(MenuEntry, entryId), 2 * kWord);
  EXPECT_EQ(offsetof(MenuEntry, action), 3 * kWord);
  EXPECT_EQ(offsetof(MenuEntry, reserved), 4 * kWord);
}

TEST(Win32Layout, DateRecordIsTwoNineByteTextsWithoutPadding) {
  EXPECT_EQ(sizeof(ReportDateRange), 18u);
  EXPECT_EQ(offsetof(ReportDateRange, end), 9u);
}

TEST(Win32Layout, EveryHostServiceSlotIsOnePointer) {
  EXPECT_EQ(sizeof(void*), kWord);
  EXPECT_EQ(sizeof(HostServiceSlots), 53u * kWord);
  EXPECT_EQ(sizeof(va_list), kWord);  // HostIniAccess and HostShowMessageV take it as one word
}

TEST(Win32Layout, FormTemplateHasTheHostsBytes) {
  const auto& form = ReportDateForm;
  ASSERT_EQ(sizeof form, 306u);
  auto u16 = [&](int at) { return form[at] | (form[at + 1] << 8); };
  auto u32 = [&](int at) { return u16(at) | (u16(at + 2) << 16); };
  EXPECT_EQ(u32(0), 302);
  EXPECT_EQ(u16(4), 298);
  EXPECT_EQ(u16(kFormFrameOffset), 0xFFFF);
  EXPECT_EQ(u16(kFormFrameOffset + 2), kReportDateFormNumber);
  EXPECT_EQ(u16(kFormStartFieldOffset + 2), 0x4104);
  EXPECT_EQ(u16(kFormEndFieldOffset + 2), 0x4106);
  EXPECT_EQ(u16(kFormRunButtonOffset + 2), kReportDateFormRun);
  EXPECT_EQ(u16(kFormCancelButtonOffset + 2), kReportDateFormCancel);
}

}  // namespace
