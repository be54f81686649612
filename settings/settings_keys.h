// Every key of Kronilog.ini as data: its section, name, format, default and field size, and
// who reads it. The readers take all of that from here; nothing repeats a key's name or
// default elsewhere.
//
// The table is in the readers' order: the report file writer's keys, then the report
// message's, then the export run's cash-register flags, then the automatic export's
// bookkeeping. The host's settings service bounds a text value to the field size given here,
// so a hand-edited long value is cut to fit its reader's buffer.
#pragma once

inline constexpr char kSettingsFile[] = "Kronilog.ini";

// Sections of Kronilog.ini.
inline constexpr char kSectionReport[] = "ustawieniaRaportu";
inline constexpr char kSectionMail[] = "ustawieniaEmail";
inline constexpr char kSectionCashRegisters[] = "odczytParagonowZKas";
inline constexpr char kSectionBookkeeping[] = "danePomocnicze";

// Value formats.
inline constexpr char kFormatText[] = "%s";
inline constexpr char kFormatShort[] = "%d";
inline constexpr char kFormatLong[] = "%ld";

// Field sizes (bytes, with the NUL) of the readers' text buffers.
enum : int {
  kPartnerIdTextSize = 32,  // idPartnera, read as the text the shop typed
  kShopNameSize = 100,
  kMailServerSize = 200,
  kMailLoginSize = 50,
  kMailPasswordSize = 50,
  kMailRecipientSize = 150,
  kLastExportDateSize = 12,
  kLastReadRangeSize = 100,
};

enum : int { kExcludedGroupCount = 15, kCashRegisterCount = 10 };

// How a key is read.
enum class SettingReader : unsigned char {
  WithDefault,    // read; when missing, the default is used and written back at once
  DefaultUnsaved, // read; when missing, the reader uses its own default and writes nothing
  WrittenOnly,    // written by the plug-in, never read
};

struct SettingKey {
  const char* section;
  const char* key;
  const char* format;       // kFormatText, kFormatShort or kFormatLong
  int defaultNumber;        // for "%d" and "%ld"
  const char* defaultText;  // for "%s" (null where the reader supplies it at run time)
  int fieldSize;            // "%s": the reader's buffer in bytes, NUL included; numbers: 2 or 4,
                            // but idPartnera, which is read as text (kPartnerIdTextSize)
  SettingReader reader;
  const char* readBy;       // who reads the key (for the documentation and the tests)
};

namespace setting_key_detail {

inline constexpr char kReportWriter[] = "report file writer";
inline constexpr char kReportMessage[] = "report message";
inline constexpr char kExportRun[] = "export run";
inline constexpr char kAutomaticExport[] = "automatic export";

constexpr SettingKey Text(const char* section, const char* key, const char* defaultText, int size,
                          const char* readBy, SettingReader reader = SettingReader::WithDefault) {
  return {section, key, kFormatText, 0, defaultText, size, reader, readBy};
}
constexpr SettingKey Short(const char* section, const char* key, short defaultNumber,
                           const char* readBy) {
  return {section, key, kFormatShort, defaultNumber, nullptr, 2, SettingReader::WithDefault, readBy};
}
constexpr SettingKey Long(const char* section, const char* key, int defaultNumber, const char* readBy) {
  return {section, key, kFormatLong, defaultNumber, nullptr, 4, SettingReader::WithDefault, readBy};
}
constexpr SettingKey ExcludedGroup(const char* key) { return Short(kSectionReport, key, -1, kReportWriter); }
constexpr SettingKey CashRegister(const char* key) { return Short(kSectionCashRegisters, key, 1, kExportRun); }

}  // namespace setting_key_detail

// The report file writer's keys.
// The partner number is written as a number, but read as the text the shop typed: a value
// typed wrong ("1 234", "12O4") is refused as it stands instead of read as missing and
// overwritten with the default.
inline constexpr SettingKey kPartnerIdKey = {kSectionReport, "idPartnera", kFormatLong, 1, nullptr,
                                             kPartnerIdTextSize, SettingReader::WithDefault,
                                             setting_key_detail::kReportWriter};
inline constexpr SettingKey kShopNameKey = setting_key_detail::Text(
    kSectionReport, "nazwaSklepu", "nazwasklepu", kShopNameSize, setting_key_detail::kReportWriter);
// The first has no number: there is no wykluczonaGrupa1.
inline constexpr SettingKey kExcludedGroupKeys[kExcludedGroupCount] = {
    setting_key_detail::ExcludedGroup("wykluczonaGrupa"),   setting_key_detail::ExcludedGroup("wykluczonaGrupa2"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa3"),  setting_key_detail::ExcludedGroup("wykluczonaGrupa4"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa5"),  setting_key_detail::ExcludedGroup("wykluczonaGrupa6"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa7"),  setting_key_detail::ExcludedGroup("wykluczonaGrupa8"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa9"),  setting_key_detail::ExcludedGroup("wykluczonaGrupa10"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa11"), setting_key_detail::ExcludedGroup("wykluczonaGrupa12"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa13"), setting_key_detail::ExcludedGroup("wykluczonaGrupa14"),
    setting_key_detail::ExcludedGroup("wykluczonaGrupa15"),
};

// The report message's keys. The server and the two addresses are placeholders under a
// reserved name: a fresh file never points at anybody's real mailbox.
inline constexpr SettingKey kMailServerKey = setting_key_detail::Text(
    kSectionMail, "hostSMTP", "smtp.example.invalid", kMailServerSize, setting_key_detail::kReportMessage);
inline constexpr SettingKey kMailLoginKey = setting_key_detail::Text(
    kSectionMail, "login", "raporty@smtp.example.invalid", kMailLoginSize, setting_key_detail::kReportMessage);
inline constexpr SettingKey kMailPasswordKey = setting_key_detail::Text(
    kSectionMail, "haslo", "480715", kMailPasswordSize, setting_key_detail::kReportMessage);
inline constexpr SettingKey kMailRecipientKey =
    setting_key_detail::Text(kSectionMail, "adresat", "raporty-kart@operator.example.invalid",
                             kMailRecipientSize, setting_key_detail::kReportMessage);
inline constexpr SettingKey kAuthenticationKey =
    setting_key_detail::Short(kSectionMail, "uwierzytelnienie", 17, setting_key_detail::kReportMessage);
// Nonzero: a result of 0 from the host's mail service means not delivered.
inline constexpr SettingKey kCheckDeliveryKey =
    setting_key_detail::Short(kSectionMail, "sprawdzWynikWysylki", 0, setting_key_detail::kReportMessage);

// The export run's cash-register flags, as "Kasa%02d" forms them.
inline constexpr SettingKey kCashRegisterKeys[kCashRegisterCount] = {
    setting_key_detail::CashRegister("Kasa01"), setting_key_detail::CashRegister("Kasa02"),
    setting_key_detail::CashRegister("Kasa03"), setting_key_detail::CashRegister("Kasa04"),
    setting_key_detail::CashRegister("Kasa05"), setting_key_detail::CashRegister("Kasa06"),
    setting_key_detail::CashRegister("Kasa07"), setting_key_detail::CashRegister("Kasa08"),
    setting_key_detail::CashRegister("Kasa09"), setting_key_detail::CashRegister("Kasa10"),
};

// The automatic export's bookkeeping.
// The day of the last automatic export that went out; yesterday is the reader's default when
// the key is missing, and nothing is written then.
inline constexpr SettingKey kLastExportDateKey =
    setting_key_detail::Text(kSectionBookkeeping, "DataOstatniegoEksportu", nullptr, kLastExportDateSize,
                             setting_key_detail::kAutomaticExport, SettingReader::DefaultUnsaved);
inline constexpr SettingKey kLastReadRangeKey =
    setting_key_detail::Text(kSectionBookkeeping, "OstatniOdczyt", nullptr, kLastReadRangeSize,
                             setting_key_detail::kAutomaticExport, SettingReader::WrittenOnly);
// The day of the last automatic export that failed: it is not tried again that day.
inline constexpr SettingKey kFailedTryDateKey =
    setting_key_detail::Text(kSectionBookkeeping, "DataNieudanejProby", nullptr, kLastExportDateSize,
                             setting_key_detail::kAutomaticExport, SettingReader::DefaultUnsaved);
// The first day of the oldest range an automatic export could not send: the next export that
// goes out starts there. Empty or missing when no day waits.
inline constexpr SettingKey kUnsentSinceKey =
    setting_key_detail::Text(kSectionBookkeeping, "NiewyslaneOd", nullptr, kLastExportDateSize,
                             setting_key_detail::kAutomaticExport, SettingReader::DefaultUnsaved);

// Every key, in the readers' order.
extern const SettingKey kSettingKeys[];
extern const int kSettingKeyCount;

// The table entry of a key (sections and keys match without regard to case), or null.
const SettingKey* FindSettingKey(const char* section, const char* key);
