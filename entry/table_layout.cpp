#include "entry/table_layout.h"

#include <cstdio>
#include <cstring>

#include "binding/host_api.h"
#include "binding/plugin_state.h"
#include "export/record_layout.h"

namespace {

struct CheckedTable {
  int number;
  const char* name;
  int pluginSize;
};

// In the order of checking, which is also the order of the report's rows.
constexpr CheckedTable kCheckedTables[] = {
    {59, "d_dek", 2618},
    {tspr::kTable, "Tspr", tspr::kRecordSize},
    {tspr_dok::kTable, "Tspr_dok", tspr_dok::kRecordSize},
    {46, "Tspr_kor", 736},
    {47, "Tspr_kor_dok", 256},
};
constexpr int kCheckedCount = sizeof kCheckedTables / sizeof kCheckedTables[0];

TableSizeRecord tableSizes[kCheckedCount];

constexpr char kTitle[] = "STOP!!!";
constexpr char kVersionsDifferFormat[] =
    "Modu\x92 \"%s\" i program wyst\x91puj\x86 w r\xA2\xA7nych wersjach!\n\n"
    "Zosta\x92 zakualizowany tylko program albo tylko modu\x92,\n"
    "a nie oba jednocze\x9E" "nie! Aby naprawi\x8D t\x91 sytuacj\x91\n"
    "zainstaluj aktualizacj\x91 programu wraz z modu\x92" "em \"%s\".\n\n"
    "MODU\x9C NIE ZOSTANIE ZA\x9C" "ADOWANY!!!\n";
constexpr char kHeaderFormat[] =
    "Rozmiary rekord\xA2w niekt\xA2rych tabel nie zgadzaj\x86 si\x91\n"
    "mi\x91" "dzy programem a wtyczk\x86 \"%s\":\n\n"
    "\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n";
constexpr char kFooterFormat[] = "\nModu\x92 wtyczki \x02%s\x01\nNIE zostanie za\x92" "adowany!";

int HostRecordSize(const void* descriptor) {
  std::int16_t size;
  std::memcpy(&size, static_cast<const unsigned char*>(descriptor) + kDescriptorRecordSizeOffset,
              sizeof size);
  return size;
}

const char* LastPathComponent(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  return backslash != nullptr ? backslash + 1 : path;
}

// Appends formatted text to a fixed buffer; what does not fit is cut.
struct TextBuilder {
  char* text;
  std::size_t size;
  std::size_t length;

  template <typename... Values>
  void Append(const char* format, Values... values) {
    if (length + 1 >= size) return;
    int written = std::snprintf(text + length, size - length, format, values...);
    if (written < 0) return;
    length += static_cast<std::size_t>(written);
    if (length >= size) length = size - 1;
  }
};

}  // namespace

TableSizeRecord* sizeMismatches;

int LinkSizeMismatch(TableSizeRecord* record) {
  if (sizeMismatches == nullptr) {
    sizeMismatches = record;
    return -1;
  }
  TableSizeRecord* last = sizeMismatches;
  for (;;) {
    if (last == record) return -1;
    if (last->next == nullptr) break;
    last = last->next;
  }
  last->next = record;
  return -1;
}

int CheckTableSize(TableSizeRecord* record) {
  if (record->pluginSize == record->hostSize) return 0;
  return LinkSizeMismatch(record);
}

void RegisterTableSizes() {
  for (int i = 0; i < kCheckedCount; ++i) {
    const CheckedTable& table = kCheckedTables[i];
    void* descriptor = HostOpenTable(table.number);
    TableSizeRecord& record = tableSizes[i];
    record.pluginSize = table.pluginSize;
    record.hostSize = descriptor != nullptr ? HostRecordSize(descriptor) : 0;
    record.tableName = table.name;
    record.next = nullptr;
    CheckTableSize(&record);
  }
}

void ShowTableLayoutReport() {
  char displayName[sizeof kPluginDisplayName];
  GetPluginDisplayName(displayName);

  if (sizeMismatches == nullptr) {
    HostShowMessageF(kTitle, kVersionsDifferFormat, kStyleLayoutReport, displayName, displayName);
    return;
  }

  // Five rows and a 299-character module name stay well below this.
  char text[2048];
  TextBuilder report{text, sizeof text, 0};
  text[0] = '\0';
  report.Append(kHeaderFormat, displayName);
  for (const TableSizeRecord* record = sizeMismatches; record != nullptr; record = record->next) {
    char hostSize[16];
    if (record->hostSize == 0) {
      std::strcpy(hostSize, "brak");
    } else {
      std::snprintf(hostSize, sizeof hostSize, "%d", record->hostSize);
    }
    report.Append("\x01tp25p40\x01%s\t%d\t%s\n", record->tableName, record->pluginSize, hostSize);
  }
  report.Append(kFooterFormat, LastPathComponent(ownModulePath));
  HostShowMessage(kTitle, text, kStyleLayoutReport);
}
