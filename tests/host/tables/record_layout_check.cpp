// The plug-in reads the sales records with its own view of their layout; the host writes them
// with its own. The two are written apart on purpose, so that a wrong byte position cannot
// pass on both sides at once: here they must agree, or the host's tests do not compile.
#include "export/record_layout.h"
#include "host/tables/record_layout.h"

namespace {

namespace receipts = host::receipts_table;
namespace lines = host::lines_table;

static_assert(tspr::kTable == receipts::kNumber && tspr::kRecordSize == receipts::kRecordSize);
static_assert(tspr::kDocumentNumber == receipts::kDocumentNumber &&
              tspr::kDocumentNumberRoom == receipts::kDocumentNumberRoom);
static_assert(tspr::kAmountFlags == receipts::kAmountFlags);
static_assert(tspr::kSaleDate == receipts::kSaleDate && tspr::kSaleDateRoom == receipts::kSaleDateRoom);
static_assert(tspr::kRemark == receipts::kRemark && tspr::kRemarkRoom == receipts::kRemarkRoom);
static_assert(tspr::kSaleTime == receipts::kSaleTime && tspr::kStateMarker == receipts::kStateMarker);
static_assert(tspr::kReceiptId == receipts::kReceiptId && tspr::kIndexByDate == receipts::kIndexByDate);
static_assert(tspr_dok::kTable == lines::kNumber && tspr_dok::kRecordSize == lines::kRecordSize);
static_assert(tspr_dok::kItemRef == lines::kItemRef && tspr_dok::kGoodsGroup == lines::kGoodsGroup);
static_assert(tspr_dok::kLineAmountA == lines::kLineAmountA &&
              tspr_dok::kLineAmountB == lines::kLineAmountB);
static_assert(tspr_dok::kLineState == lines::kLineState &&
              tspr_dok::kIndexByReceipt == lines::kIndexByReceipt);

}  // namespace
