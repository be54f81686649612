// Host instances that share a folder take turns at the automatic export, so that tills started
// together make the day's export once. The turn is the file Kronilog.lock opened without
// sharing: while one instance holds it, no other can open it. The system closes the handle
// when the process ends, however it ends, so a turn never outlives its holder. The file is
// opened for reading only, so a lock file made read-only still serves. The menu export never
// asks for a turn.
#pragma once

#include "platform/win32.h"

inline constexpr char kAutomaticTurnFile[] = "Kronilog.lock";

enum class TurnResult {
  kTaken,          // this instance holds the turn, in turn
  kHeldElsewhere,  // another instance holds it: its export is under way
  kNoLock,         // no lock file can be had here (a folder or a dangling link in its place):
                   // the export goes on, unguarded, and its log line says so
};

// Takes the turn when it is free; turn is INVALID_HANDLE_VALUE unless kTaken.
TurnResult TakeAutomaticTurn(HANDLE* turn);

// Gives the turn back.
void EndAutomaticTurn(HANDLE turn);
