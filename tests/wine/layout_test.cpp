// The records the host and the plug-in share, as the 32-bit Windows build lays them out:
// compiled by mingw and run under Wine, where the host program reads them.
#include <gtest/gtest.h>

#include <cstddef>

#include "export/report_date_form.h"
#include "binding/host_api.h"
#include "contract/host_types.h"

namespace {

TEST(Win32Layout, MenuEntryRecordHasItsFieldsWhereTheHostReadsThem) {
  EXPECT_EQ(sizeof(MenuEntry), 20u);
  EXPECT_EQ(offsetof(MenuEntry, menuCode), 0u);
  EXPECT_EQ(offsetof(MenuEntry, text), 4u);
  EXPECT_EQ(offsetof(MenuEntry, entryId), 8u);
  EXPECT_EQ(offsetof(MenuEntry, action), 12u);
  EXPECT_EQ(offsetof(MenuEntry, reserved), 16u);
}

TEST(Win32Layout, DateRecordIsTwoNineByteTextsWithoutPadding) {
  EXPECT_EQ(sizeof(ReportDateRange), 18u);
  EXPECT_EQ(offsetof(ReportDateRange, end), 9u);
}

TEST(Win32Layout, EveryHostServiceSlotIsOneFourBytePointer) {
  EXPECT_EQ(sizeof(void*), 4u);
  EXPECT_EQ(sizeof(HostServiceSlots), 53u * 4u);
  EXPECT_EQ(sizeof(va_list), 4u);  // HostIniAccess and HostShowMessageV take it as one word
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
