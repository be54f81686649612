// Menu services: the plug-in's entries in the host's menu.
#include "host/forms/menus.h"

#include <algorithm>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/texts/codepages.h"
#include "host/texts/text_services.h"

namespace host {
namespace {

struct Menu {
  std::vector<MenuItem> items;
};

std::vector<MenuItem>& Items() { return SessionState<Menu>().items; }

}  // namespace

const std::vector<MenuItem>& MenuItems() { return Items(); }

std::optional<short> PickMenuItem(unsigned id) {
  for (const MenuItem& item : Items()) {
    if (item.id == id) {
      if (item.action == nullptr) return std::nullopt;
      MenuAction action = item.action;  // the action may change the menu
      return action();
    }
  }
  return std::nullopt;
}

// Copies the entry's code, id and caption and keeps its action. An entry whose id is already
// in the menu takes the old one's place, so registering the same record twice shows it once.
// Returns 0, or -1 for a null entry.
int HOSTAPI HostAddMenuItem(const MenuEntry* entry) {
  if (entry == nullptr) return -1;
  MenuItem item{entry->menuCode, entry->entryId, entry->text != nullptr ? entry->text : "", entry->action};
  Journal({{"event", "menu-add"}, {"code", item.code}, {"id", item.id}, {"text", MazoviaToUtf8(item.text)}});
  Say("(menu: added " + HexNumber(item.id) + " \"" + MazoviaToUtf8(item.text) + "\")");
  auto& items = Items();
  auto same = std::find_if(items.begin(), items.end(), [&](const MenuItem& i) { return i.id == item.id; });
  if (same != items.end()) {
    *same = item;
  } else {
    items.push_back(item);
  }
  return 0;
}

// Removes the entry with this id: 0 when there was one, -1 when not.
int HOSTAPI HostRemoveMenuItem(unsigned int entryId) {
  auto& items = Items();
  auto it = std::find_if(items.begin(), items.end(), [&](const MenuItem& i) { return i.id == entryId; });
  bool removed = it != items.end();
  if (removed) items.erase(it);
  Journal({{"event", "menu-remove"}, {"id", entryId}, {"removed", removed}});
  Say("(menu: removed " + HexNumber(entryId) + (removed ? ")" : ", which was not there)"));
  return removed ? 0 : -1;
}

}  // namespace host
