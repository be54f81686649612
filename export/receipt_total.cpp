// The amount of one receipt: the sum of its sales lines (table 45), without the lines whose
// goods group the settings exclude.
#include "export/receipt_total.h"

#include <cstdint>

#include "export/record_layout.h"
#include "export/table_access.h"
#include "settings/settings_keys.h"
#include "binding/host_api.h"

namespace {

// The line record is read up to lineState, its last field.
constexpr int kLineBytesRead = tspr_dok::kLineState + 2;
static_assert(kLineBytesRead <= tspr_dok::kRecordSize, "the fields read lie within the record");

// A line counts unless its goods group is one of the excluded ones. Each setting is compared
// by its low 16 bits as a signed number; 0 or below excludes nothing.
bool GroupExcluded(std::int16_t goodsGroup, const int* excludedGroups) {
  for (int i = 0; i < kExcludedGroupCount; ++i) {
    std::int16_t group = static_cast<std::int16_t>(static_cast<std::uint16_t>(excludedGroups[i] & 0xFFFF));
    if (group > 0 && goodsGroup == group) return true;
  }
  return false;
}

}  // namespace

int ZliczKwoteParagonuBezGrupy(const unsigned char* salesRecord, const int* excludedGroups,
                               double* amount) {
  *amount = 0.0;
  void* lines = HostOpenTable(tspr_dok::kTable);
  if (lines == nullptr || TableRecordBuffer(lines, kLineBytesRead) == nullptr) return 0;
  HostPrepareTable(lines, kPrepareAllIndexes);

  alignas(8) unsigned char scanState[kScanStateSize] = {};
  alignas(8) unsigned char key[kScanKeySize] = {};
  HostMakeKey(tspr_dok::kIndexByReceipt, 0, key, RecordInt32(salesRecord, tspr::kReceiptId));
  // Read once: the receipt's record stays as it is while its lines are scanned.
  const bool useAmountB = (salesRecord[tspr::kAmountFlags] & 1) != 0;

  double sum = 0.0;
  bool readable = true;
  const int begun = HostScanBegin(scanState, lines, tspr_dok::kIndexByReceipt, key, 0, 0);
  if (begun < 0) readable = false;
  if (begun > 0) {
    int step;
    while ((step = HostScanNext(scanState)) == 1) {
      const unsigned char* line = TableRecordBuffer(lines, kLineBytesRead);
      if (line == nullptr) {
        readable = false;
        break;
      }
      if (RecordInt16(line, tspr_dok::kLineState) == 0) continue;
      if (RecordInt32(line, tspr_dok::kItemRef) == 0) continue;
      if (GroupExcluded(RecordInt16(line, tspr_dok::kGoodsGroup), excludedGroups)) continue;
      sum += RecordDouble(line, useAmountB ? tspr_dok::kLineAmountB : tspr_dok::kLineAmountA);
    }
    // 0 ends the lines; a negative result is the host failing in the middle of them.
    if (step < 0) readable = false;
  }
  HostScanEnd(scanState);
  if (!readable) return 0;
  *amount = sum;
  return 1;
}
