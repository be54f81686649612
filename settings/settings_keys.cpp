// The key table of Kronilog.ini and the readers that follow it.
#include "settings/settings_keys.h"

#include "settings/settings.h"
#include "settings/text_output.h"

namespace {

constexpr char kReportWriter[] = "report file writer";
constexpr char kReportMessage[] = "report message";
constexpr char kExportRun[] = "export run";
constexpr char kAutomaticExport[] = "automatic export";

constexpr SettingKey Text(const char* section, const char* key, const char* defaultText,
                          int size, const char* readBy,
                          SettingReader reader = SettingReader::WithDefault) {
  return {section, key, kFormatText, 0, defaultText, size, reader, readBy};
}
constexpr SettingKey Short(const char* section, const char* key, short defaultNumber,
                           const char* readBy) {
  return {section, key, kFormatShort, defaultNumber, nullptr, 2, SettingReader::WithDefault,
          readBy};
}
constexpr SettingKey Long(const char* section, const char* key, int defaultNumber,
                          const char* readBy) {
  return {section, key, kFormatLong, defaultNumber, nullptr, 4, SettingReader::WithDefault,
          readBy};
}

// The excluded-group keys: the first has no number, there is no wykluczonaGrupa1.
constexpr const char* kExcludedGroupKeys[kExcludedGroupCount] = {
    "wykluczonaGrupa",   "wykluczonaGrupa2",  "wykluczonaGrupa3",  "wykluczonaGrupa4",
    "wykluczonaGrupa5",  "wykluczonaGrupa6",  "wykluczonaGrupa7",  "wykluczonaGrupa8",
    "wykluczonaGrupa9",  "wykluczonaGrupa10", "wykluczonaGrupa11", "wykluczonaGrupa12",
    "wykluczonaGrupa13", "wykluczonaGrupa14", "wykluczonaGrupa15",
};

// The cash-register keys as "Kasa%02d" forms them; the reader forms them itself at run time,
// the table lists them for the documentation and the host.
constexpr const char* kCashRegisterKeys[kCashRegisterCount] = {
    "Kasa01", "Kasa02", "Kasa03", "Kasa04", "Kasa05",
    "Kasa06", "Kasa07", "Kasa08", "Kasa09", "Kasa10",
};

unsigned char Lower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (Lower(*a) != Lower(*b)) return false;
  }
  return *a == *b;
}

// A "%d" key read into a 32-bit slot: the host stores the low 16 bits; a missing key sets the
// whole slot to the default.
void ReadShortIntoSlot(const char* section, const char* key, int* slot, short defaultValue) {
  int result = IniAccess(kSettingsFile, kIniRead, section, key, kFormatShort, slot);
  if ((result & 0xFFFF) == 0) return;
  *slot = defaultValue;
  IniAccess(kSettingsFile, kIniWrite, section, key, kFormatShort, static_cast<int>(defaultValue));
}

}  // namespace

const SettingKey kSettingKeys[] = {
    Long(kSectionReport, "idPartnera", kDefaultPartnerId, kReportWriter),
    Text(kSectionReport, "nazwaSklepu", kDefaultShopName, kShopNameSize, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[0], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[1], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[2], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[3], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[4], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[5], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[6], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[7], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[8], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[9], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[10], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[11], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[12], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[13], kDefaultExcludedGroup, kReportWriter),
    Short(kSectionReport, kExcludedGroupKeys[14], kDefaultExcludedGroup, kReportWriter),
    Text(kSectionMail, "hostSMTP", kDefaultMailServer, kMailServerSize, kReportMessage),
    Text(kSectionMail, "login", kDefaultMailLogin, kMailLoginSize, kReportMessage),
    Text(kSectionMail, "haslo", kDefaultMailPassword, kMailPasswordSize, kReportMessage),
    Text(kSectionMail, "adresat", kDefaultMailRecipient, kMailRecipientSize, kReportMessage),
    Short(kSectionMail, "uwierzytelnienie", kDefaultAuthentication, kReportMessage),
    Short(kSectionMail, "sprawdzWynikWysylki", kDefaultCheckDelivery, kReportMessage),
    Short(kSectionCashRegisters, kCashRegisterKeys[0], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[1], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[2], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[3], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[4], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[5], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[6], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[7], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[8], kDefaultCashRegisterFlag, kExportRun),
    Short(kSectionCashRegisters, kCashRegisterKeys[9], kDefaultCashRegisterFlag, kExportRun),
    // Yesterday's date is the reader's default when the key is missing; nothing is written then.
    Text(kSectionBookkeeping, kKeyLastExportDate, nullptr, kLastExportDateSize, kAutomaticExport,
         SettingReader::DefaultUnsaved),
    Text(kSectionBookkeeping, kKeyLastReadRange, nullptr, kLastReadRangeSize, kAutomaticExport,
         SettingReader::WrittenOnly),
    // The day of the last automatic export that failed: it is not tried again that day.
    Text(kSectionBookkeeping, kKeyFailedTryDate, nullptr, kLastExportDateSize, kAutomaticExport,
         SettingReader::DefaultUnsaved),
    // The first day of the oldest range an automatic export could not send: the next export
    // that goes out starts there. Empty or missing when no day waits.
    Text(kSectionBookkeeping, kKeyUnsentSince, nullptr, kLastExportDateSize, kAutomaticExport,
         SettingReader::DefaultUnsaved),
};
const int kSettingKeyCount = sizeof kSettingKeys / sizeof kSettingKeys[0];

const SettingKey* FindSettingKey(const char* section, const char* key) {
  if (section == nullptr || key == nullptr) return nullptr;
  for (const SettingKey& entry : kSettingKeys) {
    if (SameName(entry.section, section) && SameName(entry.key, key)) return &entry;
  }
  return nullptr;
}

void ReadReportSettings(ReportSettings* settings) {
  settings->partnerId = 0;
  settings->shopName[0] = '\0';
  ReadWithDefault(kSectionReport, "idPartnera", &settings->partnerId, kDefaultPartnerId);
  ReadWithDefault(kSectionReport, "nazwaSklepu", settings->shopName, kDefaultShopName);
  // The settings service keeps a text within its field; the last byte stays a NUL whatever
  // a hand-edited file holds.
  settings->shopName[sizeof settings->shopName - 1] = '\0';
  for (int group = 0; group < kExcludedGroupCount; ++group) {
    settings->excludedGroups[group] = 0;
    ReadShortIntoSlot(kSectionReport, kExcludedGroupKeys[group], &settings->excludedGroups[group],
                      kDefaultExcludedGroup);
  }
}

void ReadMailSettings(MailSettings* settings) {
  settings->server[0] = '\0';
  settings->login[0] = '\0';
  settings->password[0] = '\0';
  settings->recipient[0] = '\0';
  settings->authentication = 0;
  settings->checkDelivery = 0;
  ReadWithDefault(kSectionMail, "hostSMTP", settings->server, kDefaultMailServer);
  ReadWithDefault(kSectionMail, "login", settings->login, kDefaultMailLogin);
  ReadWithDefault(kSectionMail, "haslo", settings->password, kDefaultMailPassword);
  ReadWithDefault(kSectionMail, "adresat", settings->recipient, kDefaultMailRecipient);
  ReadWithDefault(kSectionMail, "uwierzytelnienie", &settings->authentication,
                  kDefaultAuthentication);
  ReadWithDefault(kSectionMail, "sprawdzWynikWysylki", &settings->checkDelivery,
                  kDefaultCheckDelivery);
  settings->server[sizeof settings->server - 1] = '\0';
  settings->login[sizeof settings->login - 1] = '\0';
  settings->password[sizeof settings->password - 1] = '\0';
  settings->recipient[sizeof settings->recipient - 1] = '\0';
}

void ReadCashRegisterFlags(short flags[kCashRegisterCount]) {
  char key[16];
  for (int number = 1; number <= kCashRegisterCount; ++number) {
    FormatText(key, sizeof key, kCashRegisterKeyFormat, number);
    ReadWithDefault(kSectionCashRegisters, key, &flags[number - 1], kDefaultCashRegisterFlag);
  }
}
