// Delivery of one message over SMTP (native: libcurl; the Win32 build has none and refuses).
#pragma once

#include "host/mail/smtp.h"

namespace host {

SmtpResult DeliverSmtp(const SmtpRequest& request);

}  // namespace host
