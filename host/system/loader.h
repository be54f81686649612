// What a plug-in session needs of the system's loader, which differs between the builds.
#pragma once

#include <filesystem>
#include <string>

namespace host {

// The plug-in to load: $KRONILOG_PLUGIN when set, otherwise this build's (native: the one the
// build made; Win32: kronilog.dll beside the host program).
std::filesystem::path DefaultPluginPath();

// A new private folder under the system's temporary folder; empty on failure.
std::filesystem::path MakeTemporaryFolder();

// Why the last LoadLibraryA failed, in words.
std::string LastLoadError();

}  // namespace host
