// The automatic export's turn: Kronilog.lock, opened without sharing. The file stays in the
// folder, empty; only the open handle is the lock.
#include "export/automatic_turn.h"

bool TakeAutomaticTurn(HANDLE* turn) {
  *turn = CreateFileA(kAutomaticTurnFile, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*turn != INVALID_HANDLE_VALUE) return true;
  return GetLastError() != ERROR_SHARING_VIOLATION;
}

void EndAutomaticTurn(HANDLE turn) {
  if (turn != INVALID_HANDLE_VALUE) CloseHandle(turn);
}
