// The report e-mail "message.eml" and its hand-over to the host's mail service.
#pragma once

#include "frame/host_types.h"

int SendReportMail(const char* creationStamp, const char* shopName, const char* reportPath);
void WriteMultipartHeader(HostFile* file, char* boundary);
