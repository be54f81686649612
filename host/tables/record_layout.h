// The host's own layout of the two sales tables, as the host program lays out its records:
// byte positions within a record, the record sizes, and the indexes over them. A test outside
// host/ holds the plug-in's view (export/record_layout.h) equal to this one.
#pragma once

namespace host::receipts_table {  // table 44 (Tspr), 1268-byte records
inline constexpr int kNumber = 44;
inline constexpr int kRecordSize = 1268;
inline constexpr int kDocumentNumber = 19;  // text and NUL, room 200
inline constexpr int kDocumentNumberRoom = 200;
inline constexpr int kAmountFlags = 219;    // 8 bits; bit 0 selects lineAmountB
inline constexpr int kSaleDate = 230;       // host date text and NUL, room 206
inline constexpr int kSaleDateRoom = 206;
inline constexpr int kRemark = 436;         // text and NUL, room 108
inline constexpr int kRemarkRoom = 108;
inline constexpr int kSaleTime = 544;       // signed 16-bit, minutes after midnight
inline constexpr int kStateMarker = 1228;   // signed 16-bit
inline constexpr int kReceiptId = 1264;     // signed 32-bit
inline constexpr int kIndexByDate = 24;     // every record by sale date; keyed from 0
}  // namespace host::receipts_table

namespace host::lines_table {  // table 45 (Tspr_dok), 515-byte records
inline constexpr int kNumber = 45;
inline constexpr int kRecordSize = 515;
inline constexpr int kItemRef = 140;         // signed 32-bit
inline constexpr int kLineAmountA = 158;     // double, host money units
inline constexpr int kLineAmountB = 176;     // double, host money units
inline constexpr int kGoodsGroup = 214;      // signed 16-bit
inline constexpr int kLineState = 511;       // signed 16-bit
inline constexpr int kIndexByReceipt = 68;   // a receipt's lines; keyed by its receiptId
}  // namespace host::lines_table
