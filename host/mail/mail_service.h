// The mail service: HostSendMail hands a message file to the host for delivery, into the
// outbox or over SMTP (--smtp), with a Date and a Message-ID added when it has none.
#pragma once

#include <filesystem>

#include "host/service_types.h"

namespace host {

HostSendMailType HostSendMail;  // 51525

// Certificates trusted for TLS to the mail server instead of the system's (empty: the
// system's); kept until changed.
void SetSmtpCaFile(const std::filesystem::path& file);

// Connect and total time limits of one SMTP delivery, in seconds; kept until changed.
void SetSmtpTimeouts(long connectSeconds, long totalSeconds);

}  // namespace host
