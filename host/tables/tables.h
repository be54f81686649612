// The host's tables as HostOpenTable hands them out: one descriptor per table number, with
// the record size the host reports and the current record buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/service_types.h"

namespace host {

HostOpenTableType HostOpenTable;  // 52256

// The descriptor the plug-in reads: record size (signed 16-bit) at byte 6, pointer to the
// current record buffer at byte 8. The rest belongs to the host.
struct TableDescriptor {
  std::uint8_t reserved[6];
  std::int16_t recordSize;
  std::uint8_t* recordBuffer;
  int tableNumber;
};
static_assert(offsetof(TableDescriptor, recordSize) == 6);
static_assert(offsetof(TableDescriptor, recordBuffer) == 8);

// The descriptor of a table number, or null when the host has no such table
// (--no-table). Record sizes follow --table-size, otherwise the built-in sizes.
TableDescriptor* FindTable(int tableNumber);

// How many bytes recordBuffer of a table's descriptor holds: the built-in record size of the
// table, or more when --table-size claims a larger one (0 when the host has no such table).
std::size_t RecordBufferSize(int tableNumber);

// Whether a pointer is one of this host's table descriptors.
bool IsHostTable(const void* descriptor);

}  // namespace host
