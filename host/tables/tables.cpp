// The host's tables: one descriptor per table number, with the record size the host reports
// and the current record buffer. What tables 44 and 45 hold is in table_store.h.
#include "host/tables/tables.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <vector>

#include "host/session/session_options.h"
#include "host/tables/record_layout.h"

namespace host {
namespace {

// The tables this host has, with their record sizes.
constexpr std::pair<int, int> kBuiltInTables[] = {
    {59, 2618}, {receipts_table::kNumber, receipts_table::kRecordSize},
    {lines_table::kNumber, lines_table::kRecordSize}, {46, 736}, {47, 256}};
constexpr std::size_t kTableCount = std::size(kBuiltInTables);

struct Table {
  TableDescriptor descriptor{};
  std::vector<std::uint8_t> buffer;
};

// Kept by the position of the table in kBuiltInTables: every scan step looks its table up, so
// the lookup is a few comparisons rather than a search of a tree.
struct Tables {
  std::array<std::unique_ptr<Table>, kTableCount> open;
};

Tables& State() { return SessionState<Tables>(); }

// The position of a built-in table, or -1.
int Slot(int tableNumber) {
  for (std::size_t i = 0; i < kTableCount; ++i) {
    if (kBuiltInTables[i].first == tableNumber) return static_cast<int>(i);
  }
  return -1;
}

// The descriptor shows the size the host claims (--table-size, kept in its 16-bit field the
// way the host stores it, so 40000 reads back as -25536). The record buffer behind it is never
// smaller than the table's real record layout, so a host claiming a smaller size cannot make
// a reader of the real layout run past the buffer.
Table* OpenTable(int tableNumber) {
  const Options& o = options();
  int slot = Slot(tableNumber);
  if (slot < 0 || (!o.noTables.empty() && o.noTables.count(tableNumber) != 0)) return nullptr;
  std::unique_ptr<Table>& open = State().open[static_cast<std::size_t>(slot)];
  if (open) return open.get();

  int builtIn = kBuiltInTables[slot].second;
  auto configured = o.tableSizes.find(tableNumber);
  int size = configured != o.tableSizes.end() ? configured->second : builtIn;
  open = std::make_unique<Table>();
  open->buffer.assign(static_cast<std::size_t>(std::max(size, builtIn)), 0);
  open->descriptor.recordSize = static_cast<std::int16_t>(static_cast<std::uint16_t>(size));
  open->descriptor.recordBuffer = open->buffer.data();
  open->descriptor.tableNumber = tableNumber;
  return open.get();
}

}  // namespace

TableDescriptor* FindTable(int tableNumber) {
  Table* table = OpenTable(tableNumber);
  return table != nullptr ? &table->descriptor : nullptr;
}

std::size_t RecordBufferSize(int tableNumber) {
  Table* table = OpenTable(tableNumber);
  return table != nullptr ? table->buffer.size() : 0;
}

bool IsHostTable(const void* descriptor) {
  if (descriptor == nullptr) return false;
  for (const auto& [number, size] : kBuiltInTables) {
    if (FindTable(number) == descriptor) return true;
  }
  return false;
}

void* HOSTAPI HostOpenTable(int tableNumber) { return FindTable(tableNumber); }

}  // namespace host
