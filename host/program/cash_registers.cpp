// The cash-register services (see cash_registers.h).
#include "host/program/cash_registers.h"

#include <string>

#include "host/program/program_state.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/shop/shop_loader.h"
#include "host/tables/table_store.h"

namespace host {
namespace {

struct Registers {
  std::array<short, 10> flags{};
};

std::array<short, 10>& Flags() { return SessionState<Registers>().flags; }

nlohmann::json FlagList(const std::array<short, 10>& flags) {
  nlohmann::json list = nlohmann::json::array();
  for (short flag : flags) list.push_back(flag);
  return list;
}

}  // namespace

const std::array<short, 10>& SelectedCashRegisters() { return Flags(); }

int HOSTAPI HostCashRegisterSelect(short* flags, int count) {
  if (flags == nullptr || count < 0 || count > 10) {
    Say("warnik: cash-register selection refused: " +
        std::string(flags == nullptr ? "no flags" : "count " + std::to_string(count) + " is not 0..10"));
    return -1;
  }
  std::array<short, 10>& selection = Flags();
  selection.fill(0);
  int selected = 0;
  for (int i = 0; i < count; ++i) {
    selection[static_cast<std::size_t>(i)] = flags[i];
    if (flags[i] != 0) ++selected;
  }
  return selected;
}

int HOSTAPI HostCashRegisterRead(int, int) {
  const std::array<short, 10>& flags = Flags();
  std::array<bool, 10> selected{};
  for (std::size_t i = 0; i < selected.size(); ++i) selected[i] = flags[i] != 0;
  const std::optional<ShopError> error = EnsureShopLoaded();
  const Selection selection = SelectRegisters(error ? std::array<bool, 10>{} : selected);
  nlohmann::json event = {{"event", "cash-registers"}, {"flags", FlagList(flags)},
                          {"quiet", *HostQuietFlag()}, {"receipts", selection.receipts},
                          {"lines", selection.lines}};
  if (error) {
    std::string text = error->Text();
    Say("warnik: shop data refused, no receipts loaded: " + text);
    event["error"] = text;
  }
  Journal(event);
  return error ? 0 : 1;
}

}  // namespace host
