// The automatic export's turn: Kronilog.lock, opened without sharing. The file stays in the
// folder, empty; only the open handle is the lock.
#include "export/automatic_turn.h"

TurnResult TakeAutomaticTurn(HANDLE* turn) {
  *turn = CreateFileA(kAutomaticTurnFile, GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*turn != INVALID_HANDLE_VALUE) return TurnResult::kTaken;
  return GetLastError() == ERROR_SHARING_VIOLATION ? TurnResult::kHeldElsewhere : TurnResult::kNoLock;
}

void EndAutomaticTurn(HANDLE turn) {
  if (turn != INVALID_HANDLE_VALUE) CloseHandle(turn);
}
