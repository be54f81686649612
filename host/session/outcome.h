// What a session's export came to, told from what the session saw happen (its journal):
// whether the registers were read, a report file was created in RAP_KART, a message was
// handed to the mail service and whether the host delivered it, and whether the plug-in told
// the user something (a box or an alert). warnik's exit status.
#pragma once

#include <string>

namespace host {

enum ExitStatus : int {
  kExitDone = 0,          // exported (or the report shown; an automatic call with nothing to do)
  kExitFailed = 1,        // the session failed: load, start, shop, options
  kExitDeclined = 2,      // the plug-in cancelled or refused the export: nothing was exported
  kExitNotDelivered = 3,  // an export ran but its report was not delivered
};

struct Outcome {
  ExitStatus status = kExitDone;
  std::string reason;  // one line, for standard error (empty when done)
};

// The outcome of a menu export (automatic = false) or of an automatic call (true), from the
// session's journal since it began.
Outcome ExportSessionOutcome(bool automatic);

}  // namespace host
