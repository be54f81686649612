// The plug-in's code linked into this test, its host service slots bound to the emulator's
// module WARNIK in this process, in a fresh folder and host session.
#pragma once

#include <string>
#include <vector>

#include "frame/entry_points.h"
#include "frame/host_binding.h"
#include "frame/plugin_state.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tests/host/support/test_folder.h"

class PluginBound : public InTempFolder {
 protected:
  void SetUp() override {
    InTempFolder::SetUp();
    ASSERT_NE(host::RegisterWarnikModule(), nullptr);
    ResetHostBinding();
    hostModule = nullptr;
    BindHostModule();
    ASSERT_EQ(BindAllHostServices(), 0);
  }
  void TearDown() override {
    host::UnregisterWarnikModule();
    InTempFolder::TearDown();
  }

  // The journalled events of one kind, in order.
  static std::vector<nlohmann::json> Events(const std::string& kind) {
    std::vector<nlohmann::json> found;
    for (const auto& event : host::JournalEntries()) {
      if (event.value("event", "") == kind) found.push_back(event);
    }
    return found;
  }
};
