// What started an export: the menu entry, or the host's daily call (entry 30009). It decides
// what the user is told to do about a report that was not sent, and how the log names the run.
#pragma once

enum class ExportTrigger { kAutomatic, kMenu };
