// The export's outcome from the session's journal (see outcome.h).
#include "host/session/outcome.h"

#include "host/session/journal.h"

namespace host {

Outcome ExportSessionOutcome(bool automatic) {
  bool registersRead = false;
  std::string report;    // the report file created, as the plug-in named it
  bool handedOver = false;
  bool delivered = false;
  std::string refusal;   // why the host did not deliver
  bool told = false;     // the plug-in put a box or an alert before the user
  for (const nlohmann::json& event : JournalEntries()) {
    const std::string kind = event.value("event", "");
    if (kind == "alert" || (kind == "message" && event.value("style", 0) == 1)) told = true;
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
    // An automatic call that did nothing says nothing; one that told the user something
    // refused the export (a host lacking a service it needs, say).
    if (automatic && !told) return {kExitDone, ""};
    if (automatic) return {kExitDeclined, "the plug-in refused the automatic export (see its message)"};
    return {kExitDeclined, "the plug-in cancelled or refused the export (form closed, or dates it did not take)"};
  }
  if (!report.empty() && delivered) return {kExitDone, ""};
  if (report.empty()) return {kExitNotDelivered, "the export ran but wrote no report into RAP_KART"};
  if (!handedOver) return {kExitNotDelivered, "the report " + report + " was written but not sent"};
  return {kExitNotDelivered, "the report " + report + " was written but the host did not deliver it: " + refusal};
}

}  // namespace host
