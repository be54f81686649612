// What a plug-in session needs of the system's loader that differs between the builds.
#pragma once

#include <filesystem>
#include <string>

namespace host {

// A new private folder under the system's temporary folder; empty on failure.
std::filesystem::path MakeTemporaryFolder();

// Why the last LoadLibraryA failed, in words.
std::string LastLoadError();

}  // namespace host
