// The comparison of five host table record sizes with the plug-in's, and its report.
#pragma once

struct TableSizeRecord {
  int pluginSize;
  int hostSize;  // 0 when the host has no such table
  const char* tableName;
  TableSizeRecord* next;  // the following record in the mismatch list
};

extern TableSizeRecord* sizeMismatches;

void RegisterTableSizes();
int CheckTableSize(TableSizeRecord* record);
int LinkSizeMismatch(TableSizeRecord* record);
void ShowTableLayoutReport();
