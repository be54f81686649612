// The host's tables: one descriptor per table number, with the record size the host reports
// and the current record buffer, and the records a table holds.
#include "host/tables.h"

#include <algorithm>
#include <map>
#include <memory>

#include "host/host.h"
#include "host/services.h"

namespace host {
namespace {

// The tables this host has, with their record sizes.
constexpr std::pair<int, int> kBuiltInTables[] = {{59, 2618}, {44, 1268}, {45, 515}, {46, 736}, {47, 256}};

struct Table {
  TableDescriptor descriptor{};
  std::vector<std::uint8_t> buffer;
};

struct Tables {
  std::map<int, std::unique_ptr<Table>> open;
  std::map<int, std::vector<std::vector<std::uint8_t>>> records;
};

Tables& State() {
  static Tables tables;
  return tables;
}

[[maybe_unused]] const bool registered = (OnHostReset([] {
                                            State().open.clear();
                                            State().records.clear();
                                          }),
                                          true);

int BuiltInSize(int tableNumber) {
  for (const auto& [number, size] : kBuiltInTables) {
    if (number == tableNumber) return size;
  }
  return 0;
}

}  // namespace

// The descriptor shows the size the host claims (--table-size, kept in its 16-bit field the
// way the host stores it, so 40000 reads back as -25536). The record buffer behind it is never
// smaller than the table's real record layout, so a host claiming a smaller size cannot make
// a reader of the real layout run past the buffer.
TableDescriptor* FindTable(int tableNumber) {
  const Options& o = options();
  int builtIn = BuiltInSize(tableNumber);
  if (builtIn == 0 || o.noTables.count(tableNumber) != 0) return nullptr;
  auto& open = State().open;
  auto it = open.find(tableNumber);
  if (it != open.end()) return &it->second->descriptor;

  auto configured = o.tableSizes.find(tableNumber);
  int size = configured != o.tableSizes.end() ? configured->second : builtIn;
  auto table = std::make_unique<Table>();
  table->buffer.assign(static_cast<std::size_t>(std::max(size, builtIn)), 0);
  table->descriptor.recordSize = static_cast<std::int16_t>(static_cast<std::uint16_t>(size));
  table->descriptor.recordBuffer = table->buffer.data();
  table->descriptor.tableNumber = tableNumber;
  TableDescriptor* descriptor = &table->descriptor;
  open.emplace(tableNumber, std::move(table));
  return descriptor;
}

std::size_t RecordBufferSize(int tableNumber) {
  auto it = State().open.find(tableNumber);
  if (it != State().open.end()) return it->second->buffer.size();
  return FindTable(tableNumber) != nullptr ? State().open.at(tableNumber)->buffer.size() : 0;
}

std::vector<std::vector<std::uint8_t>>& TableRecords(int tableNumber) {
  return State().records[tableNumber];
}

void* HOSTAPI HostOpenTable(int tableNumber) { return FindTable(tableNumber); }

}  // namespace host
