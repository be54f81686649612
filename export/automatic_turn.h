// Host instances that share a folder take turns at the automatic export, so that tills started
// together make the day's export once. The turn is the file Kronilog.lock opened without
// sharing: while one instance holds it, no other can open it. The system closes the handle
// when the process ends, however it ends, so a turn never outlives its holder. The menu
// export never asks for a turn.
#pragma once

#include "platform/win32.h"

inline constexpr char kAutomaticTurnFile[] = "Kronilog.lock";

// True when this instance may make the automatic export now, with turn holding the lock (or
// INVALID_HANDLE_VALUE when the folder takes no lock file at all: then the export goes on and
// its own errors speak). False when another instance holds the turn: its export is under way.
bool TakeAutomaticTurn(HANDLE* turn);

// Gives the turn back.
void EndAutomaticTurn(HANDLE turn);
