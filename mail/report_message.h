// The report e-mail: the message file and its hand-over to the host's mail service.
#pragma once

#include "frame/host_types.h"

inline constexpr int kMailReasonSize = 128;

// Writes the message around the report file and hands it to the host's mail service. Returns
// 1 when the message was made whole and handed over (what the service then makes of it is
// the host's business), 0 when it could not be made whole (the message file not created, cut
// short, or the attachment failed): then nothing was handed over and reason (kMailReasonSize
// bytes) says why, in the plug-in's Polish. The mail settings are read, and missing ones
// written, in every case.
int SendReportMail(const char* creationStamp, const char* shopName, const char* reportPath,
                   char* reason);
void WriteMultipartHeader(HostFile* file, char* boundary);
