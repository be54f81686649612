// The report e-mail: "message.eml" written as one MIME message around the report file, then
// handed to the host's mail service. The plug-in holds no SMTP code of its own.
#include "mail/report_message.h"

#include <cstring>

#include "frame/host_api.h"
#include "mail/attachment.h"
#include "settings/settings_keys.h"
#include "settings/text_output.h"

namespace {

constexpr char kMessageFile[] = "message.eml";

// 15 dashes, 20 random digits, 4 dashes, and the NUL.
constexpr int kBoundaryLength = 39;
constexpr int kBoundaryBufferSize = kBoundaryLength + 1;
constexpr int kFirstDigit = 15;
constexpr int kDigitCount = 20;

// "Nie udało się dodać załącznika"
constexpr char kAttachmentFailed[] =
    "Nie uda\x92o si\x91 doda\x8D za\x92\x86" "cznika";

// "Nie udało się zapisać wiadomości message.eml"
constexpr char kMessageNotWritten[] =
    "Nie uda\x92o si\x91 zapisa\x8D wiadomo\x9E" "ci message.eml";

// The five mail settings, in their order, with missing keys written back. Every text buffer
// starts empty, and its last byte stays a NUL whatever a hand-edited file holds.
void ReadMailAccount(MailSettings* account) {
  std::memset(account, 0, sizeof *account);
  ReadMailSettings(account);
  account->server[sizeof account->server - 1] = '\0';
  account->login[sizeof account->login - 1] = '\0';
  account->password[sizeof account->password - 1] = '\0';
  account->recipient[sizeof account->recipient - 1] = '\0';
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

int SendReportMail(const char* creationStamp, const char* shopName, const char* reportPath) {
  HostFile* message = HostOpenFile(kMessageFile, "wt", 64, 0, -1);

  // The settings are read, and missing keys written, even when there is no message to send.
  MailSettings account;
  ReadMailAccount(&account);

  // Without the message file nothing is written or sent, and nothing is shown here.
  if (message == nullptr) return 0;

  HostFilePrintf(message, "Subject: Raport ze sklepu %s.\n", shopName);
  HostFilePrintf(message, "To: %s\n", account.recipient);
  HostFilePrintf(message, "From: %s\n", account.login);
  HostFilePrintf(message, "Subject: Eksport Targomir-Kronilog\n");

  char boundary[kBoundaryBufferSize];
  WriteMultipartHeader(message, boundary);

  HostFilePrintf(message, "--%s\n", boundary);
  HostFilePrintf(message,
                 "Content-Type: text/plain; charset=UTF-8; format=flowed\n"
                 "Content-Transfer-Encoding: 7bit\n\n");
  _fprintfUTF(message, "\nRaport Kronilog - data wykonania:\n%s\n\n", creationStamp);
  HostFilePrintf(message, "--%s\n", boundary);

  if (AddAttachment(message, reportPath) != 0) HostAlert(kAttachmentFailed);

  HostFilePrintf(message, "--%s--\n", boundary);
  // A message that did not reach the disk whole (a full disk) is not handed over: the mail
  // service would send whatever part of it was written.
  if (HostCloseFile(message) != 0) {
    HostAlert(kMessageNotWritten);
    return 0;
  }

  return HostSendMail(kMessageFile, 0, account.server, account.login, account.password,
                      account.authentication);
}
