// The two ways into an export run: the menu entry and the host's daily call (entry 30009).
#pragma once

// The menu entry's action: the date form, then the export of the days it was given.
short RunExportFromMenu();

// Entry 30009: nothing while the host is quiet; otherwise, in this instance's turn, the days
// since the last automatic export that went out, up to yesterday.
int RunAutomaticExport();
