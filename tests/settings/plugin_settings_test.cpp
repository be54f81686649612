// The plug-in's settings readers against the host's settings service.
#include <algorithm>
#include <cstring>

#include "settings/settings.h"
#include "host/session/journal.h"
#include "settings/settings_readers.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class SettingsReaders : public testsupport::PluginInProcess {};

// The keys written back to a fresh file, in the order they were written.
std::vector<std::string> WrittenKeys() {
  std::vector<std::string> keys;
  for (const auto& event : host::JournalEntries()) {
    if (event.value("event", "") == "settings-write") {
      keys.push_back(event["section"].get<std::string>() + "/" + event["key"].get<std::string>() +
                     "=" + event["value"].get<std::string>());
    }
  }
  return keys;
}

TEST_F(SettingsReaders, AFreshFileReceivesEveryKeyWithItsDefaultInTheReadersOrder) {
  ReportSettings report;
  MailSettings mail;
  short flags[kCashRegisterCount];
  ReadReportSettings(&report);
  ReadMailSettings(&mail);
  ReadCashRegisterFlags(flags);

  std::vector<std::string> expected;
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& entry = kSettingKeys[i];
    if (entry.reader != SettingReader::WithDefault) continue;
    std::string value = std::strcmp(entry.format, kFormatText) == 0
                            ? std::string(entry.defaultText)
                            : std::to_string(entry.defaultNumber);
    expected.push_back(std::string(entry.section) + "/" + entry.key + "=" + value);
  }
  EXPECT_EQ(expected.size(), 33u);
  EXPECT_EQ(WrittenKeys(), expected);

  EXPECT_EQ(report.partnerId, 1);
  EXPECT_STREQ(report.shopName, "nazwasklepu");
  for (int group : report.excludedGroups) EXPECT_EQ(group, -1);
  EXPECT_STREQ(mail.server, "smtp.example.invalid");
  EXPECT_STREQ(mail.login, "raporty@smtp.example.invalid");
  EXPECT_STREQ(mail.password, "480715");
  EXPECT_STREQ(mail.recipient, "raporty-kart@operator.example.invalid");
  EXPECT_EQ(mail.authentication, 17);
  for (short flag : flags) EXPECT_EQ(flag, 1);

  // Read again: everything is there now, nothing is written.
  host::ResetHost(host::options());
  ReadReportSettings(&report);
  ReadMailSettings(&mail);
  ReadCashRegisterFlags(flags);
  EXPECT_TRUE(WrittenKeys().empty());
  EXPECT_EQ(report.excludedGroups[14] & 0xFFFF, 0xFFFF);
}

TEST_F(SettingsReaders, APresentZeroIsUsedAndNotRewritten) {
  WriteBytes("Kronilog.ini", "[odczytParagonowZKas]\nKasa05=0\n[ustawieniaRaportu]\nidPartnera=0\n");
  short flags[kCashRegisterCount];
  ReadCashRegisterFlags(flags);
  int partner = 99;
  ReadWithDefault(kPartnerIdKey, &partner);
  EXPECT_EQ(flags[4], 0);
  EXPECT_EQ(flags[3], 1);
  EXPECT_EQ(partner, 0);
  for (const std::string& written : WrittenKeys()) {
    EXPECT_EQ(written.find("Kasa05"), std::string::npos);
    EXPECT_EQ(written.find("idPartnera"), std::string::npos);
  }
  EXPECT_EQ(WrittenKeys().size(), 9u);
}

// Each "%d" read stores 16 bits: a read never reaches into the slot after its own, whichever
// order the slots are read in.
TEST_F(SettingsReaders, ShortReadsIntoTheTenFlagsNeverDisturbTheNextFlag) {
  WriteBytes("Kronilog.ini",
             "[odczytParagonowZKas]\nKasa01=-1\nKasa02=65537\nKasa03=0\nKasa04=65535\nKasa05=2\n"
             "Kasa06=-2\nKasa07=0\nKasa08=-1\nKasa09=3\nKasa10=-1\n");
  const short expected[kCashRegisterCount] = {-1, 1, 0, -1, 2, -2, 0, -1, 3, -1};
  short guarded[kCashRegisterCount + 2];
  std::fill(std::begin(guarded), std::end(guarded), static_cast<short>(0x5A5A));
  ReadCashRegisterFlags(guarded + 1);
  EXPECT_EQ(guarded[0], 0x5A5A);
  EXPECT_EQ(guarded[kCashRegisterCount + 1], 0x5A5A);
  for (int i = 0; i < kCashRegisterCount; ++i) EXPECT_EQ(guarded[i + 1], expected[i]) << i;

  short flags[kCashRegisterCount] = {};
  for (int number = kCashRegisterCount - 1; number >= 0; --number) {
    ReadWithDefault(kCashRegisterKeys[number], &flags[number]);
  }
  for (int i = 0; i < kCashRegisterCount; ++i) EXPECT_EQ(flags[i], expected[i]) << i;
  EXPECT_TRUE(WrittenKeys().empty());
}

TEST_F(SettingsReaders, ExcludedGroupsKeepSixteenBitsAndMissingOnesTheWholeSlot) {
  WriteBytes("Kronilog.ini",
             "[ustawieniaRaportu]\nidPartnera=2000000000\nnazwaSklepu=Sklep 50% \x9C\x80" "d\xA7\n"
             "wykluczonaGrupa=65537\nwykluczonaGrupa2=-1\nwykluczonaGrupa3=0\nwykluczonaGrupa15=12\n");
  ReportSettings report;
  ReadReportSettings(&report);
  EXPECT_EQ(report.partnerId, 2000000000);
  EXPECT_STREQ(report.shopName, "Sklep 50% \x9C\x80" "d\xA7");
  EXPECT_EQ(static_cast<short>(report.excludedGroups[0]), 1);
  EXPECT_EQ(static_cast<short>(report.excludedGroups[1]), -1);
  EXPECT_EQ(report.excludedGroups[2], 0);
  EXPECT_EQ(report.excludedGroups[14], 12);
  for (int group = 3; group < 14; ++group) EXPECT_EQ(report.excludedGroups[group], -1) << group;
  EXPECT_EQ(WrittenKeys().size(), 11u);
}

TEST_F(SettingsReaders, AnUnparsableNumberOrALongTextIsHandledWithinTheField) {
  WriteBytes("Kronilog.ini", "[ustawieniaEmail]\nuwierzytelnienie=abc\nhaslo=" +
                                 std::string(400, 'h') + "\nhostSMTP=" + std::string(400, 's') + "\n");
  MailSettings mail;
  ReadMailSettings(&mail);
  EXPECT_EQ(mail.authentication, 17);
  EXPECT_EQ(std::string(mail.password), std::string(49, 'h'));
  EXPECT_EQ(std::string(mail.server), std::string(199, 's'));
  std::vector<std::string> written = WrittenKeys();
  EXPECT_NE(std::find(written.begin(), written.end(), "ustawieniaEmail/uwierzytelnienie=17"),
            written.end());
}

// The sample settings file of the bundled example shop reads as written, with nothing added.
TEST_F(SettingsReaders, TheSampleFileReadsWithoutChanges) {
  const std::string sample = ReadBytes(std::filesystem::path(KRONILOG_SOURCE_DIR) / "examples/Kronilog.ini");
  ASSERT_FALSE(sample.empty());
  WriteBytes("Kronilog.ini", sample);
  ReportSettings report;
  MailSettings mail;
  short flags[kCashRegisterCount];
  ReadReportSettings(&report);
  ReadMailSettings(&mail);
  ReadCashRegisterFlags(flags);
  EXPECT_EQ(report.partnerId, 1234);
  EXPECT_STREQ(report.shopName, "Delikatesy Z\x92oty K\x92os, \x9C\xA2" "d\xA6");
  EXPECT_EQ(report.excludedGroups[0], 7);
  EXPECT_EQ(report.excludedGroups[1], 12);
  EXPECT_EQ(mail.authentication, 17);
  EXPECT_EQ(mail.checkDelivery, 0);
  EXPECT_EQ(flags[4], 0);
  EXPECT_TRUE(WrittenKeys().empty());
  EXPECT_EQ(ReadBytes("Kronilog.ini"), sample);
}

TEST_F(SettingsReaders, IniAccessHandsTheHostsResultBack) {
  char text[kLastExportDateKey.fieldSize] = "x";
  EXPECT_EQ(IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kLastExportDateKey.key,
                      kFormatText, text) & 0xFFFF, 1);
  EXPECT_EQ(IniAccess(kSettingsFile, kIniWrite, kSectionBookkeeping, kLastExportDateKey.key,
                      kFormatText, "01.02.26"), 0);
  EXPECT_EQ(IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kLastExportDateKey.key,
                      kFormatText, text), 0);
  EXPECT_STREQ(text, "01.02.26");
  EXPECT_EQ(IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kLastReadRangeKey.key,
                      kFormatText, text), 3);
}

}  // namespace
