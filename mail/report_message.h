// The report e-mail: the message file and its hand-over to the host's mail service.
#pragma once

#include "contract/host_types.h"

inline constexpr int kMailReasonSize = 128;

// What became of a report's message.
struct MailHandOver {
  bool handedOver;     // the whole message went to the host's mail service
  int answer;          // what the mail service returned (when handed over)
  bool notDelivered;   // the shop trusts that answer (sprawdzWynikWysylki) and it was 0
  bool answerChecked;  // sprawdzWynikWysylki is on: the answer decides whether it was sent
  char reason[kMailReasonSize];  // why it was not sent, in the plug-in's Polish
};

// Writes the message around the report file and hands it to the host's mail service. Returns
// 1 when the message was made whole and handed over and, where the shop has said that the
// mail service's answer can be trusted, that answer was not 0; 0 otherwise: the message could
// not be made whole (the message file not created, cut short, or the attachment failed: then
// nothing was handed over) or the service said it could not deliver it. result tells which,
// with the reason. The mail settings are read, and missing ones written, in every case.
int SendReportMail(const char* creationStamp, const char* shopName, const char* reportPath,
                   MailHandOver* result);
void WriteMultipartHeader(HostFile* file, char* boundary);
