// The amount of one receipt from its sales lines, without the excluded goods groups.
#pragma once

// salesRecord: the current Tspr record; excludedGroups: kExcludedGroupCount numbers in key
// order. Returns 1 with the receipt's amount in host money units in *amount (0.0 when no line
// counts), or 0 when the host could not give the receipt's lines (no lines table, a record
// buffer too short for the fields read, a scan that failed); then *amount is 0.0 and the
// caller must not take the receipt for one without lines.
int ZliczKwoteParagonuBezGrupy(const unsigned char* salesRecord, const int* excludedGroups,
                               double* amount);
