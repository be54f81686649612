// The native loader's side of a plug-in session.
#include "host/system/loader.h"

#include <cstdlib>
#include <system_error>

#include "platform/module_registry.h"

namespace host {

std::filesystem::path MakeTemporaryFolder() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "kronilog-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

std::string LastLoadError() { return PlatformLastLoadError(); }

std::filesystem::path DefaultPluginPath() {
  if (const char* path = std::getenv("KRONILOG_PLUGIN"); path != nullptr && *path != '\0') return path;
  return KRONILOG_PLUGIN_PATH;
}

}  // namespace host
