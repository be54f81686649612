// The two ways into an export run: the menu entry and the host's daily call (entry 30009).
#pragma once

short RunExportFromMenu();
int AutomaticExportCallback();
short RunAutomaticExport();
