// The menu services, and the host's menu as the plug-in fills it: what warnik picks from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/service_types.h"

namespace host {

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
