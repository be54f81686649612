// The program state services: the quiet flag, the ready word (--not-ready), the state word
// (--state-bit) and the automatic callback's start.
#include "host/program/program_state.h"

#include "host/session/session_options.h"
#include "host/session/journal.h"

namespace host {
namespace {

struct ProgramState {
  bool started = false;  // the values below follow the session's options once started
  int quiet = 0;
  short ready = 1;
  int stateWord = 0;
};

ProgramState& State() {
  ProgramState& state = SessionState<ProgramState>();
  if (!state.started) {
    state.started = true;
    state.ready = options().notReady ? 0 : 1;
    state.stateWord = options().stateBit ? 0x8000 : 0;
  }
  return state;
}

}  // namespace

int QuietFlagValue() { return State().quiet; }
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

int HOSTAPI HostCallbackStart(int value) {
  Journal({{"event", "callback-start"}, {"value", value}});
  return 1;
}

}  // namespace host
