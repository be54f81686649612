// A host session with the plug-in loaded: what warnik and the end-to-end tests drive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "contract/host_types.h"
#include "host/forms/menus.h"
#include "host/system/loader.h"
#include "platform/win32.h"

namespace host {

class PluginSession {
 public:
  typedef int(PLUGINAPI* MainEntry)(void* hostEntry, char* nameBuffer);
  typedef int(PLUGINAPI* NotifyEntry)(int flag);
  typedef int (*ExportEntry)();

  explicit PluginSession(std::filesystem::path pluginPath = DefaultPluginPath());
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Load a private copy of the plug-in (same file name, new temporary folder), so that each
  // session starts with fresh static state whatever the system loader keeps mapped.
  bool freshCopy = true;

  // Reads the session's shop (a shop that cannot be read ends the session here, before the
  // plug-in runs), registers WARNIK and loads the plug-in (ResetHost is the caller's). On
  // failure: false, a one-line reason, and nothing left registered or loaded.
  bool Load(std::string* reason);
  int Start();           // entry 30001 with a host routine and a name buffer
  int Stop();            // entry 30001 with two nulls
  int Notify(int flag);  // entry 30008
  int RunExport();       // entry 30009
  // Entry 30001 with arguments of the caller's choice.
  int CallMain(void* hostEntry, char* nameBuffer);
  // Runs the action of a registered menu entry; nothing when there is no such entry.
  std::optional<short> PickMenuEntry(unsigned id = kExportMenuEntryId);
  void Unload();  // FreeLibrary, unregister WARNIK, remove the private copy

  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }
  // The display name that the last Start wrote, in UTF-8 (empty before).
  const std::string& displayName() const { return displayName_; }
  // The file actually loaded (the private copy when freshCopy).
  const std::filesystem::path& loadedPath() const { return loadedPath_; }

 private:
  std::filesystem::path pluginPath_;
  std::filesystem::path loadedPath_;
  std::filesystem::path copyFolder_;
  HMODULE module_ = nullptr;
  MainEntry main_ = nullptr;
  NotifyEntry notify_ = nullptr;
  ExportEntry export_ = nullptr;
  std::string displayName_;
};

}  // namespace host
