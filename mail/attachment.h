// The Base64 attachment part of the report message.
#pragma once

#include "contract/host_types.h"

// 0 when the part was written whole, 1 when not (then the message must not be sent). Whole
// means that the Base64 text copied into the message has exactly the length that the report
// file's bytes, all of them, take in Base64.
int AddAttachment(HostFile* file, const char* reportPath);
// 0 when done, 1 when the source, the memory or the destination could not be had.
// sourceLength gets the source file's length in bytes (when it could be told).
int EncodeFileBase64(const char* sourcePath, const char* destinationPath, int* sourceLength);
// Stem and extension (256-byte buffers) of the last backslash-separated component of path.
void SplitFileName(const char* path, char* stem, char* extension);
