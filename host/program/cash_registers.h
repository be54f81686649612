// The cash-register services: which registers to read, and reading them into tables 44 and
// 45.
//
// HostCashRegisterSelect(flags, count) remembers the flags of registers 1..count (count at
// most 10; the others count as not selected) and gives the number of selected registers, or
// -1 for a null list or a count outside 0..10 (the selection is then left as it was).
// HostCashRegisterRead(mode, reserved) reads every receipt of the selected registers whatever
// the two numbers say; it gives 1 when the shop was read and 0 when its data were refused
// (then both tables are empty). Without a selection no register is read. The shop was read
// when the session began; it is read again only when its files have changed since.
#pragma once

#include <array>

#include "host/service_types.h"

namespace host {

HostCashRegisterSelectType HostCashRegisterSelect;  // 51539
HostCashRegisterReadType HostCashRegisterRead;      // 51636

// The flags last handed to HostCashRegisterSelect (registers 1..10; unselected: 0).
const std::array<short, 10>& SelectedCashRegisters();

}  // namespace host
