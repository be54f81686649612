// The amount of one receipt from its sales lines, without the excluded goods groups.
#pragma once

// salesRecord: the current Tspr record; excludedGroups: 15 numbers in key order.
double ZliczKwoteParagonuBezGrupy(const unsigned char* salesRecord, const int* excludedGroups);
