// The report e-mail: one MIME message around the report file, written into the message file,
// then handed to the host's mail service. The plug-in holds no SMTP code of its own.
#include "mail/report_message.h"

#include <cstring>

#include "binding/host_api.h"
#include "mail/address_field.h"
#include "mail/attachment.h"
#include "mail/header_text.h"
#include "mail/message_files.h"
#include "settings/settings_readers.h"
#include "output/text_output.h"

namespace {

// 15 dashes, 20 random digits, 4 dashes, and the NUL.
constexpr int kBoundaryLength = 39;
constexpr int kBoundaryBufferSize = kBoundaryLength + 1;
constexpr int kFirstDigit = 15;
constexpr int kDigitCount = 20;

// "nie udało się utworzyć wiadomości %s"
constexpr char kNotCreated[] = "nie uda\x92o si\x91 utworzy\x8D wiadomo\x9E" "ci %s";
// "nie udało się zapisać całej wiadomości %s"
constexpr char kCutShort[] = "nie uda\x92o si\x91 zapisa\x8D ca\x92" "ej wiadomo\x9E" "ci %s";
// "nie udało się dodać załącznika"
constexpr char kNoAttachment[] = "nie uda\x92o si\x91 doda\x8D za\x92\x86" "cznika";
// "program Targomir zgłosił, że nie dostarczył wiadomości"
constexpr char kNotDelivered[] =
    "program Targomir zg\x92osi\x92, \xA7" "e nie dostarczy\x92 wiadomo\x9E" "ci";

// "%s z klucza %s w pliku %s nie da się zapisać w nagłówku wiadomości"
constexpr char kNotInHeader[] =
    "%s z klucza %s w pliku %s nie da si\x91 zapisa\x8D w nag\x92\xA2wku wiadomo\x9E" "ci";
// "nazwy sklepu", "adresu"
constexpr char kShopNameWhat[] = "nazwy sklepu";
constexpr char kAddressWhat[] = "adresu";

// The header fields that come from the settings, made whole before the message file is.
struct SettingFields {
  char subject[kSubjectFieldSize];
  char recipient[kRecipientFieldSize];
  char sender[kSenderFieldSize];
};

// Makes the fields; when one cannot be made standard and whole, the reason names its key.
bool MakeSettingFields(const char* shopName, const MailSettings& account, SettingFields* fields,
                       char* reason) {
  const char* what = nullptr;
  const SettingKey* key = nullptr;
  if (!SubjectField(shopName, fields->subject, sizeof fields->subject)) {
    what = kShopNameWhat;
    key = &kShopNameKey;
  } else if (!AddressField("To", account.recipient, kMailRecipientKey.fieldSize, fields->recipient,
                           sizeof fields->recipient)) {
    what = kAddressWhat;
    key = &kMailRecipientKey;
  } else if (!AddressField("From", account.login, kMailLoginKey.fieldSize, fields->sender, sizeof fields->sender)) {
    what = kAddressWhat;
    key = &kMailLoginKey;
  }
  if (key == nullptr) return true;
  FormatText(reason, kMailReasonSize, kNotInHeader, what, key->key, kSettingsFile);
  return false;
}

// The two subjects, the recipient, the sender and the MIME version; no value can start a
// line of its own, and none carries a byte beyond ASCII.
bool WriteHeaderLines(HostFile* message, const SettingFields& fields) {
  bool written = HostFilePrintf(message, "%s\n", fields.subject) >= 0;
  written = HostFilePrintf(message, "%s\n", fields.recipient) >= 0 && written;
  written = HostFilePrintf(message, "%s\n", fields.sender) >= 0 && written;
  written = HostFilePrintf(message, "Subject: Eksport Targomir-Kronilog\n") >= 0 && written;
  written = HostFilePrintf(message, "MIME-Version: 1.0\n") >= 0 && written;
  return written;
}

}  // namespace

void WriteMultipartHeader(HostFile* file, char* boundary) {
  std::memset(boundary, 0, kBoundaryBufferSize);
  std::memset(boundary, '-', kBoundaryLength);
  for (int position = kFirstDigit; position < kFirstDigit + kDigitCount; ++position) {
    boundary[position] = static_cast<char>('0' + static_cast<char>(HostRandom(10)));
  }
  HostFilePrintf(file,
                 "Content-Type: multipart/mixed;\n boundary=\"%s\"\n\n"
                 "This is a multi-part message in MIME format.\n",
                 boundary);
}

int SendReportMail(const char* creationStamp, const char* shopName, const char* reportPath,
                   MailHandOver* result) {
  *result = MailHandOver{};
  // The settings are read, and missing keys written, even when there is no message to send.
  MailSettings account;
  ReadMailSettings(&account);
  result->answerChecked = account.checkDelivery != 0;

  // A field that cannot be written standard and whole refuses the message before its file is
  // touched: a message with an address dropped or mangled would never arrive.
  SettingFields fields;
  if (!MakeSettingFields(shopName, account, &fields, result->reason)) return 0;

  char messageFile[kMessageFileNameSize];
  MessageFileName(messageFile);
  HostFile* message = HostOpenFile(messageFile, "wt", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode);
  if (message == nullptr) {
    FormatText(result->reason, kMailReasonSize, kNotCreated, messageFile);
    return 0;
  }

  bool whole = WriteHeaderLines(message, fields);
  char boundary[kBoundaryBufferSize];
  WriteMultipartHeader(message, boundary);
  whole = HostFilePrintf(message, "--%s\n", boundary) >= 0 && whole;
  whole = HostFilePrintf(message,
                         "Content-Type: text/plain; charset=UTF-8; format=flowed\n"
                         "Content-Transfer-Encoding: 7bit\n\n") >= 0 &&
          whole;
  whole = _fprintfUTF(message, "\nRaport Kronilog - data wykonania:\n%s\n\n", creationStamp) == 0 && whole;
  whole = HostFilePrintf(message, "--%s\n", boundary) >= 0 && whole;
  const bool attached = AddAttachment(message, reportPath) == 0;
  whole = HostFilePrintf(message, "--%s--\n", boundary) >= 0 && whole;
  // The host's buffered writes reach the disk at the latest when the file is closed.
  whole = HostCloseFile(message) == 0 && whole;

  // A message without its attachment, or cut short (a full disk), is not handed over: the
  // mail service would send whatever part of it was written, and the operator would take it
  // for the report.
  if (!attached) {
    FormatText(result->reason, kMailReasonSize, kNoAttachment);
    return 0;
  }
  if (!whole) {
    FormatText(result->reason, kMailReasonSize, kCutShort, messageFile);
    return 0;
  }
  result->answer = HostSendMail(messageFile, 0, account.server, account.login, account.password,
                                account.authentication);
  result->handedOver = true;
  // What the answer means is the host's; only a shop that has seen its host answer 0 for a
  // message it could not deliver turns the check on.
  if (account.checkDelivery != 0 && result->answer == 0) {
    result->notDelivered = true;
    FormatText(result->reason, kMailReasonSize, kNotDelivered);
    return 0;
  }
  return 1;
}
