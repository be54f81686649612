// Byte positions of the host's sales records that the export reads. The host emulator
// writes its records with the same positions.
#pragma once

namespace tspr {  // table 44, 1268-byte records
inline constexpr int kTable = 44;
inline constexpr int kRecordSize = 1268;
inline constexpr int kDocumentNumber = 19;  // text, room up to 200
inline constexpr int kDocumentNumberRoom = 200;
inline constexpr int kAmountFlags = 219;    // bit 0 selects lineAmountB
inline constexpr int kSaleDate = 230;       // host date text, room up to 206
inline constexpr int kSaleDateRoom = 206;
inline constexpr int kRemark = 436;         // text, room up to 108
inline constexpr int kRemarkRoom = 108;
inline constexpr int kSaleTime = 544;       // signed 16-bit, minutes after midnight
inline constexpr int kStateMarker = 1228;   // signed 16-bit
inline constexpr int kReceiptId = 1264;     // signed 32-bit
inline constexpr int kIndexByDate = 24;     // the scan index of the report file writer
}  // namespace tspr

namespace tspr_dok {  // table 45, 515-byte records
inline constexpr int kTable = 45;
inline constexpr int kRecordSize = 515;
inline constexpr int kItemRef = 140;      // signed 32-bit
inline constexpr int kLineAmountA = 158;  // double
inline constexpr int kLineAmountB = 176;  // double
inline constexpr int kGoodsGroup = 214;   // signed 16-bit
inline constexpr int kLineState = 511;    // signed 16-bit
inline constexpr int kIndexByReceipt = 68;  // keyed by receiptId
}  // namespace tspr_dok
