// The report file's name, claimed for this run alone.
#pragma once

inline constexpr char kReportFolder[] = "RAP_KART";
inline constexpr int kReportNameSize = 256;

// Fills fileName with "H%04ld_%s.xml" (partner number, 14-digit timestamp) and path with
// "RAP_KART\<fileName>", and creates the file empty so that no other export can take the
// name. When a file of that name exists already (another export, of this host instance or of
// another one, in the same second), the name gets "_2", "_3" ... before ".xml": a report is
// never overwritten. False when no name up to "_99" is free; any other failure to create
// the file is left to the caller's open, which reports it.
bool ClaimReportFile(long partnerId, const char* timestamp, char* fileName, char* path);
