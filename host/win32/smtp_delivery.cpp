// The Win32 host has no SMTP client: mail goes to the outbox, and --smtp is refused at the
// first message with this reason.
#include "host/system/smtp_delivery.h"

namespace host {

SmtpResult DeliverSmtp(const SmtpRequest&) {
  return {false,
          "SMTP delivery is not available in the Win32 build of warnik; without --smtp the "
          "mail goes to the outbox"};
}

}  // namespace host
