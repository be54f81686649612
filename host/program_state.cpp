// Program state services: the quiet flag, the ready word, the state word, reading the cash
// registers (which loads the shop into tables 44 and 45) and the automatic callback's start.
//
// HostCashRegisterSelect(flags, count) remembers the flags of registers 1..count (count at
// most 10; the others count as not selected) and gives the number of selected registers, or
// -1 for a null list or a count outside 0..10 (the selection is then left as it was).
// HostCashRegisterRead(mode, reserved) reads every receipt of the selected registers whatever
// the two numbers say; it gives 1 when the shop was loaded and 0 when its data were refused
// (then both tables are empty). Without a selection no register is read.
#include "host/program_state.h"

#include <string>

#include "host/host.h"
#include "host/services.h"
#include "host/shop_data.h"

namespace host {
namespace {

struct ProgramState {
  bool started = false;  // the values below follow the session's options once started
  int quiet = 0;
  short ready = 1;
  int stateWord = 0;
  std::array<short, 10> registers{};
};

ProgramState& State();

void ResetState() { State() = ProgramState{}; }

ProgramState& State() {
  static ProgramState state;
  static const bool registered = (OnHostReset(&ResetState), true);
  (void)registered;
  if (!state.started) {
    state.started = true;
    state.ready = options().notReady ? 0 : 1;
    state.stateWord = options().stateBit ? 0x8000 : 0;
  }
  return state;
}

nlohmann::json FlagList(const std::array<short, 10>& flags) {
  nlohmann::json list = nlohmann::json::array();
  for (short flag : flags) list.push_back(flag);
  return list;
}

}  // namespace

const std::array<short, 10>& SelectedCashRegisters() { return State().registers; }
int QuietFlagValue() { return State().quiet; }
short ReadyWordValue() { return State().ready; }
int StateWordValue() { return State().stateWord; }

int* HOSTAPI HostQuietFlag() { return &State().quiet; }

short* HOSTAPI HostReadyFlag() { return &State().ready; }

int HOSTAPI HostGetStateFlags() { return State().stateWord & 0xFFFF; }

// Sets (on nonzero) or clears the bits of mask in the 16-bit state word; gives the new word.
int HOSTAPI HostSetStateFlags(int mask, int on) {
  ProgramState& state = State();
  int before = state.stateWord;
  if (on != 0) {
    state.stateWord = (state.stateWord | mask) & 0xFFFF;
  } else {
    state.stateWord = state.stateWord & ~mask & 0xFFFF;
  }
  Journal({{"event", "state-flags"}, {"mask", mask & 0xFFFF}, {"on", on != 0 ? 1 : 0},
           {"before", before}, {"after", state.stateWord}});
  return state.stateWord;
}

int HOSTAPI HostCashRegisterSelect(short* flags, int count) {
  if (flags == nullptr || count < 0 || count > 10) {
    Say("warnik: cash-register selection refused: " +
        std::string(flags == nullptr ? "no flags" : "count " + std::to_string(count) +
                                                        " is not 0..10"));
    return -1;
  }
  ProgramState& state = State();
  state.registers.fill(0);
  int selected = 0;
  for (int i = 0; i < count; ++i) {
    state.registers[static_cast<std::size_t>(i)] = flags[i];
    if (flags[i] != 0) ++selected;
  }
  return selected;
}

int HOSTAPI HostCashRegisterRead(int, int) {
  ProgramState& state = State();
  std::array<bool, 10> selected{};
  for (std::size_t i = 0; i < selected.size(); ++i) selected[i] = state.registers[i] != 0;
  std::filesystem::path folder = ShopFolder();
  LoadResult result = LoadShopIntoTables(folder, selected);
  nlohmann::json event = {{"event", "cash-registers"}, {"flags", FlagList(state.registers)},
                          {"quiet", state.quiet}, {"receipts", result.receipts},
                          {"lines", result.lines}};
  if (result.error) {
    std::string text = result.error->Text();
    Say("warnik: shop data refused, no receipts loaded: " + text);
    event["error"] = text;
  }
  Journal(event);
  return result.error ? 0 : 1;
}

int HOSTAPI HostCallbackStart(int value) {
  Journal({{"event", "callback-start"}, {"value", value}});
  return 1;
}

}  // namespace host
