// The emulator's shop: receipts.csv and lines.csv in a shop folder, read once into the
// compact tables (table_store.h) when the session begins, before the plug-in is loaded.
//
// receipts.csv  register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker
// lines.csv     receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState
//
// Both files are RFC 4180 CSV in UTF-8 with that header row (a UTF-8 byte order mark and
// blank lines are allowed). Every row of both files is checked, whichever registers are
// selected later, and the first fault is reported as "file:line:column: reason"; a shop with
// a fault loads nothing:
//   register      1..10
//   receiptId     a 32-bit integer, each receipt once (a repeated id is refused: the lines
//                 could not tell the receipts apart)
//   documentNumber, remark  texts that fit their record room in the host's character set
//                 (199 and 107 bytes), no NUL
//   saleDate      dd.mm.yy (a real day, 2000-2099) or empty
//   saleTime      minutes after midnight, 0..1439; other values are refused, the host would
//                 never have recorded them
//   amountFlags   0..255 (a flag byte); stateMarker, goodsGroup, lineState 16-bit integers
//   itemRef       a 32-bit integer
//   lineAmountA/B decimal numbers in host money units (1/10000 PLN), |amount| <= 1e15; a
//                 number beyond that, or beyond what a double holds, is refused
//   a line's receiptId must be a receipt of receipts.csv
#pragma once

#include <filesystem>
#include <optional>

#include "host/shop/csv_reader.h"

namespace host {

// The shop folder of the session: --shop, or the bundled example.
std::filesystem::path ShopFolder();

// Reads and checks a shop folder into the store. On a fault the store is left empty.
std::optional<ShopError> LoadShop(const std::filesystem::path& folder);

// The session's shop in the store: read when it is not there yet or its files have changed
// since they were read (the cash registers hold new receipts), otherwise left as it is.
std::optional<ShopError> EnsureShopLoaded();

}  // namespace host
