// A host session with the plug-in: read the shop, register WARNIK, load the library, call
// its entries. The same on both builds; where the plug-in lies by default, the temporary
// folder of its fresh copy and the words for a failed load come from system/loader.h.
#include "host/session/plugin_session.h"

#include <cstdlib>
#include <system_error>

#include "host/forms/menus.h"
#include "host/session/journal.h"
#include "host/shop/shop_loader.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "host/tables/table_store.h"
#include "host/texts/codepages.h"

namespace host {
namespace {

// What entry 30001 receives as the host's entry point; the plug-in only tests it for null.
int HostEntryPoint() { return 0; }

template <typename Entry>
Entry EntryCast(FARPROC proc) {
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

PluginSession::PluginSession(std::filesystem::path pluginPath) : pluginPath_(std::move(pluginPath)) {}

PluginSession::~PluginSession() { Unload(); }

bool PluginSession::Load(std::string* reason) {
  Unload();
  const auto fail = [&](const std::string& why) {
    if (reason != nullptr) *reason = why;
    Unload();
    return false;
  };
  std::error_code error;
  if (!std::filesystem::is_regular_file(pluginPath_, error)) {
    return fail("no plug-in file at " + pluginPath_.string());
  }
  if (auto refused = EnsureShopLoaded()) {
    Journal({{"event", "shop"}, {"folder", ShopFolder().generic_string()}, {"error", refused->Text()}});
    return fail("the shop cannot be read: " + refused->Text());
  }
  Journal({{"event", "shop"}, {"folder", ShopFolder().generic_string()}, {"receipts", StoredReceipts()},
           {"lines", StoredLines()}});
  loadedPath_ = pluginPath_;
  if (freshCopy) {
    copyFolder_ = MakeTemporaryFolder();
    if (copyFolder_.empty()) return fail("cannot make a temporary folder for the plug-in's copy");
    loadedPath_ = copyFolder_ / pluginPath_.filename();
    if (!std::filesystem::copy_file(pluginPath_, loadedPath_, error)) {
      return fail("cannot copy the plug-in to " + loadedPath_.string() + ": " + error.message());
    }
  }
  RegisterWarnikModule();
  InstallPlatformHandlers();
  module_ = LoadLibraryA(loadedPath_.string().c_str());
  if (module_ == nullptr) {
    return fail("the plug-in did not load (" + LastLoadError() + ")");
  }
  main_ = EntryCast<MainEntry>(GetProcAddress(module_, MAKEINTRESOURCEA(30001)));
  notify_ = EntryCast<NotifyEntry>(GetProcAddress(module_, MAKEINTRESOURCEA(30008)));
  export_ = EntryCast<ExportEntry>(GetProcAddress(module_, MAKEINTRESOURCEA(30009)));
  if (main_ == nullptr || notify_ == nullptr || export_ == nullptr) {
    return fail("the plug-in lacks one of its entries 30001, 30008, 30009");
  }
  return true;
}

int PluginSession::CallMain(void* hostEntry, char* nameBuffer) {
  return main_ != nullptr ? main_(hostEntry, nameBuffer) : -1;
}

int PluginSession::Start() {
  if (main_ == nullptr) return -1;
  char name[256] = {};
  int result = main_(reinterpret_cast<void*>(&HostEntryPoint), name);
  name[sizeof name - 1] = '\0';
  displayName_ = MazoviaToUtf8(name);
  return result;
}

int PluginSession::Stop() { return CallMain(nullptr, nullptr); }

int PluginSession::Notify(int flag) { return notify_ != nullptr ? notify_(flag) : -1; }

int PluginSession::RunExport() { return export_ != nullptr ? export_() : -1; }

std::optional<short> PluginSession::PickMenuEntry(unsigned id) {
  if (module_ == nullptr) return std::nullopt;
  return PickMenuItem(id);
}

void PluginSession::Unload() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  main_ = nullptr;
  notify_ = nullptr;
  export_ = nullptr;
  UnregisterWarnikModule();
  if (!copyFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(copyFolder_, ignored);
    copyFolder_.clear();
  }
}

}  // namespace host
