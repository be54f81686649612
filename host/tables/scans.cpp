// Scans over the host's tables through its indexes.
//
// Indexes: 24 over table 44 (receipts) delivers every record in the table's order, which the
// reading of the cash registers arranges by sale date (receipts without a date first) and,
// within a day, by file order; its key is made from 0. 68 over table 45 (sales lines) is keyed
// by a receiptId and delivers exactly that receipt's lines, looked up in the index that the
// loading builds (see table_store.h); no other line is looked at.
//
// HostPrepareTable(descriptor, mode): mode is a mask of the table's indexes to make ready,
// 255 meaning all of them. The emulator's indexes are built when the registers are read, so
// preparing only checks the descriptor and the mask: 1 for a table descriptor of this host and
// a mask of 1..255, 0 otherwise.
//
// HostMakeKey(index, 0, key, value) writes a key for index 24 or 68 into the 256-byte key
// buffer and gives 1; for another index the buffer is cleared and the result is 0.
//
// HostScanBegin(state, descriptor, index, key, 0, 0) sets up a cursor in the caller's 192-byte
// state block and gives 1 when the scan has at least one record to deliver, 0 when it has none
// or the scan is refused (descriptor not one of this host's, index not one of that table's, key
// not made for that index, last two arguments not 0; the reason goes to the terminal and the
// journal). HostScanEnd may be called on the state either way. HostScanNext copies the next
// record into the descriptor's record buffer and gives 1, or gives 0 at the end; it touches no
// other table's buffer, so a scan of table 45 can run inside one of table 44. The record is
// built from the store at each step (see table_store.h). A cursor that HostScanEnd has
// released, or that belongs to tables since read again, delivers nothing.
#include "host/tables/scans.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/tables/record_layout.h"
#include "host/tables/table_store.h"
#include "host/tables/tables.h"

namespace host {
namespace {

constexpr std::uint32_t kKeyMagic = 0x3159454B;     // "KEY1"
constexpr std::uint32_t kCursorMagic = 0x524E5343;  // "CSNR"
namespace receipts = receipts_table;
namespace lines = lines_table;

struct ScanKey {
  std::uint32_t magic;
  std::int32_t index;
  std::int32_t value;
};
static_assert(sizeof(ScanKey) <= kScanKeySize);

struct Cursor {
  std::uint32_t magic;
  std::uint32_t id;          // one of the live cursors below
  std::uint32_t generation;  // TablesGeneration() when the scan began
  std::int32_t table;
  std::uint32_t position;
  std::uint32_t end;
  TableDescriptor* descriptor;
};
static_assert(sizeof(Cursor) <= kScanStateSize);

struct Cursors {
  std::unordered_set<std::uint32_t> live;
  std::uint32_t nextId = 1;
};

Cursors& Live() { return SessionState<Cursors>(); }

// The cursor in a state block, when it is one of the live cursors.
bool ReadCursor(const void* state, Cursor& cursor) {
  if (state == nullptr) return false;
  std::memcpy(&cursor, state, sizeof cursor);
  return cursor.magic == kCursorMagic && Live().live.count(cursor.id) != 0;
}

void WriteCursor(void* state, const Cursor& cursor) { std::memcpy(state, &cursor, sizeof cursor); }

int Refuse(const std::string& reason) {
  Say("warnik: scan refused: " + reason);
  Journal({{"event", "scan-refused"}, {"reason", reason}});
  return 0;
}

}  // namespace

int HOSTAPI HostPrepareTable(void* descriptor, int mode) {
  return IsHostTable(descriptor) && mode >= 1 && mode <= 255 ? 1 : 0;
}

int HOSTAPI HostMakeKey(int index, int, void* key, int value) {
  if (key == nullptr) return 0;
  std::memset(key, 0, kScanKeySize);
  if (index != receipts::kIndexByDate && index != lines::kIndexByReceipt) return 0;
  ScanKey made{kKeyMagic, index, value};
  std::memcpy(key, &made, sizeof made);
  return 1;
}

int HOSTAPI HostScanBegin(void* scanState, void* descriptor, int index, const void* key, int a,
                          int b) {
  if (scanState == nullptr) return Refuse("no scan state");
  Cursor cursor{};
  WriteCursor(scanState, cursor);  // inactive until the scan is accepted
  if (!IsHostTable(descriptor)) return Refuse("not a table descriptor of this host");
  auto* table = static_cast<TableDescriptor*>(descriptor);
  int expectedTable = index == receipts::kIndexByDate ? receipts::kNumber
                      : index == lines::kIndexByReceipt ? lines::kNumber : 0;
  if (expectedTable == 0 || FindTable(expectedTable) != table) {
    return Refuse("index " + std::to_string(index) + " is not an index of table " +
                  std::to_string(table->tableNumber));
  }
  ScanKey made{};
  if (key != nullptr) std::memcpy(&made, key, sizeof made);
  if (key == nullptr || made.magic != kKeyMagic || made.index != index) {
    return Refuse("the key was not made by HostMakeKey for index " + std::to_string(index));
  }
  if (a != 0 || b != 0) {
    return Refuse("unknown scan options " + std::to_string(a) + ", " + std::to_string(b));
  }
  std::uint32_t begin = 0;
  std::uint32_t end = 0;
  if (index == receipts::kIndexByDate) {
    if (made.value != 0) {
      return Refuse("index 24 is keyed from 0, not " + std::to_string(made.value));
    }
    end = static_cast<std::uint32_t>(ReceiptsInScanOrder());
  } else {
    const LineRange range = LinesOfReceipt(made.value);
    begin = range.begin;
    end = range.end;
  }
  Cursors& cursors = Live();
  cursor = Cursor{kCursorMagic, cursors.nextId++, TablesGeneration(), expectedTable,
                  begin, end, table};
  if (cursors.nextId == 0) cursors.nextId = 1;
  cursors.live.insert(cursor.id);
  WriteCursor(scanState, cursor);
  return end > begin ? 1 : 0;
}

int HOSTAPI HostScanNext(void* scanState) {
  Cursor cursor;
  if (!ReadCursor(scanState, cursor)) return 0;
  if (cursor.generation != TablesGeneration() || FindTable(cursor.table) != cursor.descriptor) {
    return 0;
  }
  if (cursor.position >= cursor.end) return 0;
  TableDescriptor* table = cursor.descriptor;
  std::size_t room = RecordBufferSize(cursor.table);
  if (table->recordBuffer != nullptr && room > 0) {
    // The size the descriptor reports, read as the host stores it (unsigned 16-bit).
    BuildRecord(cursor.table, cursor.position, table->recordBuffer, room,
                static_cast<std::uint16_t>(table->recordSize));
  }
  ++cursor.position;
  WriteCursor(scanState, cursor);
  return 1;
}

int HOSTAPI HostScanEnd(void* scanState) {
  Cursor cursor;
  if (!ReadCursor(scanState, cursor)) return 0;
  Live().live.erase(cursor.id);
  cursor.magic = 0;
  WriteCursor(scanState, cursor);
  return 1;
}

}  // namespace host
