// The host's memory services and what tests may ask of them.
//
// HostAlloc(size): a block of size bytes; its content is not set.
// HostAllocBlock(kind, size): a block of size bytes. Blocks below 64 KiB are zeroed. Larger
//   ones (the plug-in's 201 KiB format buffer, taken for every piece it writes) are kept for
//   reuse when given back, up to two of them, and only their first and last byte are zeroed:
//   callers write their text before they read it, and the block always holds an empty text
//   and a terminating NUL.
// HostFree(block): gives a block back; null is harmless, a pointer the host did not give out
//   (or gave out and got back already) is reported on the terminal and left alone.
// Requests of zero or negative size, or of more than 1 GiB, are refused with null.
#pragma once

#include <cstddef>

#include "host/service_types.h"

namespace host {

HostAllocType HostAlloc;            // 21284
HostAllocBlockType HostAllocBlock;  // 21285
HostFreeType HostFree;              // 21287

// Blocks given out and not yet given back.
int OutstandingBlocks();
// Requests made (HostAlloc and HostAllocBlock, granted or not) since the session began.
long AllocationCount();
// Makes the nth request from now fail (1 = the next one); 0 = no request fails.
void FailAllocation(int nth);
// Blocks given back with a pointer the host did not give out, since the session began.
long UnknownFrees();

}  // namespace host
