// A host session with the plug-in loaded: what warnik and the end-to-end tests drive, plus the
// few emulator-wide helpers that go with it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "frame/host_types.h"
#include "platform/win32.h"

namespace host {

// The plug-in to load: $KRONILOG_PLUGIN when set, otherwise the one this build made.
std::filesystem::path DefaultPluginPath();

// Registers module WARNIK with every host service except the ordinals of options().without.
// Registering again replaces the earlier registration.
HMODULE RegisterWarnikModule();
void UnregisterWarnikModule();

// Hands the platform's MessageBoxA and Sleep to the emulator (ResetHost does this too).
void InstallPlatformHandlers();

// Every event journalled since the last ResetHost, whether or not a journal file is open.
const std::vector<nlohmann::json>& JournalEntries();

// True when the emulator may wait for the user: standard input is a terminal and the
// terminal is not silenced.
bool Interactive();

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

  // Registers WARNIK and loads the plug-in (ResetHost is the caller's). On failure: false, a
  // one-line reason, and nothing left registered or loaded.
  bool Load(std::string* reason);
  int Start();           // entry 30001 with a host routine and a name buffer
  int Stop();            // entry 30001 with two nulls
  int Notify(int flag);  // entry 30008
  int RunExport();       // entry 30009
  // Entry 30001 with arguments of the caller's choice.
  int CallMain(void* hostEntry, char* nameBuffer);
  // Runs the action of a registered menu entry; nothing when there is no such entry.
  std::optional<short> PickMenuEntry(unsigned id = 0x7F10);
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
