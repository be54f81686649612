// Every key of Kronilog.ini as data, and the readers' helpers built on it.
//
// The table is in the readers' order: the report file writer's keys, then the report
// message's, then the export run's cash-register flags, then the automatic export's
// bookkeeping. The host's settings service bounds a text value to the field size given here,
// so a hand-edited long value is cut to fit its reader's buffer.
#pragma once

// Sections of Kronilog.ini.
inline constexpr char kSectionReport[] = "ustawieniaRaportu";
inline constexpr char kSectionMail[] = "ustawieniaEmail";
inline constexpr char kSectionCashRegisters[] = "odczytParagonowZKas";
inline constexpr char kSectionBookkeeping[] = "danePomocnicze";

// Value formats.
inline constexpr char kFormatText[] = "%s";
inline constexpr char kFormatShort[] = "%d";
inline constexpr char kFormatLong[] = "%ld";

// Key names that readers form or use by name.
inline constexpr char kKeyLastExportDate[] = "DataOstatniegoEksportu";
inline constexpr char kKeyLastReadRange[] = "OstatniOdczyt";
inline constexpr char kKeyFailedTryDate[] = "DataNieudanejProby";
inline constexpr char kKeyUnsentSince[] = "NiewyslaneOd";
inline constexpr char kCashRegisterKeyFormat[] = "Kasa%02d";

// Field sizes (bytes, with the NUL) of the readers' text buffers.
enum : int {
  kShopNameSize = 100,
  kMailServerSize = 200,
  kMailLoginSize = 50,
  kMailPasswordSize = 50,
  kMailRecipientSize = 150,
  kLastExportDateSize = 12,
  kLastReadRangeSize = 100,
};

enum : int { kExcludedGroupCount = 15, kCashRegisterCount = 10 };

// Default texts of the mail account. The server and the two addresses are placeholders under
// a reserved name: a fresh file never points at anybody's real mailbox.
inline constexpr char kDefaultShopName[] = "nazwasklepu";
inline constexpr char kDefaultMailServer[] = "smtp.example.invalid";
inline constexpr char kDefaultMailLogin[] = "raporty@smtp.example.invalid";
inline constexpr char kDefaultMailPassword[] = "480715";
inline constexpr char kDefaultMailRecipient[] = "raporty-kart@operator.example.invalid";
inline constexpr short kDefaultAuthentication = 17;
inline constexpr short kDefaultCheckDelivery = 0;
inline constexpr int kDefaultPartnerId = 1;
inline constexpr short kDefaultExcludedGroup = -1;
inline constexpr short kDefaultCashRegisterFlag = 1;

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
  int fieldSize;            // "%s": the reader's buffer in bytes, NUL included; numbers: 2 or 4
  SettingReader reader;
  const char* readBy;       // who reads the key (for the documentation and the tests)
};

extern const SettingKey kSettingKeys[];
extern const int kSettingKeyCount;

// The table entry of a key (sections and keys match without regard to case), or null.
const SettingKey* FindSettingKey(const char* section, const char* key);

// The report file writer's settings. Each excluded group lies in a 32-bit slot of which the
// read stores the low 16 bits (the slot starts at 0); a missing key sets the whole slot to -1.
struct ReportSettings {
  int partnerId;
  char shopName[kShopNameSize];
  int excludedGroups[kExcludedGroupCount];  // wykluczonaGrupa, wykluczonaGrupa2 .. 15
};
void ReadReportSettings(ReportSettings* settings);

// The report message's settings.
struct MailSettings {
  char server[kMailServerSize];
  char login[kMailLoginSize];
  char password[kMailPasswordSize];
  char recipient[kMailRecipientSize];
  short authentication;
  short checkDelivery;  // nonzero: a result of 0 from the mail service means not delivered
};
void ReadMailSettings(MailSettings* settings);

// The cash-register flags Kasa01 .. Kasa10 into ten 16-bit slots; a nonzero flag means that
// register is read before an export. Each key is formed into a key buffer just before its read.
void ReadCashRegisterFlags(short flags[kCashRegisterCount]);
