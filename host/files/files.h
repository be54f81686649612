// The host's file services and what tests and other service groups may ask of them.
//
// Files are the C library's, buffered (64 KiB). Paths come in DOS form and are mapped: a
// backslash becomes '/', and the Mazovia bytes of a name become UTF-8, so
// "RAP_KART\H0001_x.xml" is the file H0001_x.xml in the folder RAP_KART of the current
// folder. A "t" in the mode is accepted and means nothing (line feeds are written as they
// are). A null or unknown handle is refused by every service (0, -1 or null), never followed.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/service_types.h"

namespace host {

HostOpenFileType HostOpenFile;            // 52534
HostOpenFilePlainType HostOpenFilePlain;  // 52304
HostCloseFileType HostCloseFile;          // 52305
HostSeekFileType HostSeekFile;            // 52306
HostTellFileType HostTellFile;            // 52542
HostReadFileType HostReadFile;            // 52307
HostWriteFileType HostWriteFile;          // 52308
HostReadLineType HostReadLine;            // 52536
HostFilePrintfType HostFilePrintf;        // 52541

// The native path of a path in DOS form.
std::filesystem::path NativePath(std::string_view dosPath);

// Files opened and not yet closed.
int OpenFiles();

// Test hook: opening a file whose native path matches the pattern (fnmatch, e.g.
// "RAP_KART/*") fails as if the disk refused it. An empty pattern removes the hook.
void FailFileOpens(const std::string& pattern);

}  // namespace host
