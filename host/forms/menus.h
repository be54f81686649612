// The menu services, and the host's menu as the plug-in fills it: what warnik picks from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/service_types.h"

namespace host {

// The entry the plug-in registers for its export, which warnik's menu-export picks: part of
// what the host knows of the plug-in (docs/host-services.md).
inline constexpr unsigned kExportMenuEntryId = 0x7F10;

HostAddMenuItemType HostAddMenuItem;        // 52081
HostRemoveMenuItemType HostRemoveMenuItem;  // 52082

struct MenuItem {
  unsigned code = 0;
  unsigned id = 0;
  std::string text;  // Mazovia, as handed over
  MenuAction action = nullptr;
};

// The entries in the order they were added.
const std::vector<MenuItem>& MenuItems();

// Runs the action of the entry with this id and returns its result; nothing when no such
// entry is registered or it has no action.
std::optional<short> PickMenuItem(unsigned id);

}  // namespace host
