// The export's outcome from the session's journal (see outcome.h).
#include "host/session/outcome.h"

#include "host/session/journal.h"

namespace host {

Outcome ExportOutcome(bool automatic) {
  bool registersRead = false;
  std::string report;    // the report file created, as the plug-in named it
  bool handedOver = false;
  bool delivered = false;
  std::string refusal;   // why the host did not deliver
  for (const nlohmann::json& event : JournalEntries()) {
    const std::string kind = event.value("event", "");
    if (kind == "cash-registers") {
      registersRead = true;
    } else if (kind == "file-open" && event.value("ok", false)) {
      const std::string path = event.value("path", "");
      const std::string mode = event.value("mode", "");
      if (report.empty() && (path.starts_with("RAP_KART\\") || path.starts_with("RAP_KART/")) &&
          (mode.starts_with("w") || mode.starts_with("a"))) {
        report = path;
      }
    } else if (kind == "mail") {
      handedOver = true;
      if (event.value("delivered", false)) {
        delivered = true;
      } else if (refusal.empty()) {
        refusal = event.value("reason", "");
      }
    }
  }
  if (!registersRead && report.empty() && !handedOver) {
    if (automatic) return {kExitDone, ""};
    return {kExitDeclined, "the plug-in cancelled or refused the export (form closed, or dates it did not take)"};
  }
  if (!report.empty() && delivered) return {kExitDone, ""};
  if (report.empty()) return {kExitNotDelivered, "the export ran but wrote no report into RAP_KART"};
  if (!handedOver) return {kExitNotDelivered, "the report " + report + " was written but not sent"};
  return {kExitNotDelivered, "the report " + report + " was written but the host did not deliver it: " + refusal};
}

}  // namespace host
