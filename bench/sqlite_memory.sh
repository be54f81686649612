#!/usr/bin/env bash
# What SQLite takes to hold a shop in memory: `sqlite3 :memory:` imports the shop's two CSV
# files into typed tables and builds the report's transactions from them (the sample settings:
# registers 1 to 4, goods groups 7 and 12 excluded, the days FROM to TO). Prints one JSON
# object: seconds, peak resident kB (GNU time), and the transactions built.
#   bash bench/sqlite_memory.sh SHOP_DIR [FROM_YYYYMMDD TO_YYYYMMDD]
set -euo pipefail
shop=$(cd "${1:?usage: sqlite_memory.sh SHOP_DIR [FROM TO]}" && pwd)
from=${2:-20260301}
to=${3:-20260331}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/build.sql" <<SQL
CREATE TABLE receipts(register INTEGER, receiptId INTEGER, documentNumber TEXT, saleDate TEXT,
  saleTime INTEGER, remark TEXT, amountFlags INTEGER, stateMarker INTEGER);
CREATE TABLE lines(receiptId INTEGER, itemRef INTEGER, lineAmountA REAL, lineAmountB REAL,
  goodsGroup INTEGER, lineState INTEGER);
.import --csv --skip 1 '$shop/receipts.csv' receipts
.import --csv --skip 1 '$shop/lines.csv' lines
-- The card receipts of the period with their amount without the excluded groups: the report's
-- transactions (those with an amount above 0).
CREATE TABLE transactions AS
SELECT r.receiptId, r.documentNumber, r.saleDate, r.saleTime,
       ltrim(substr(r.remark, instr(r.remark, 'Karta:') + 6), ' ') AS card,
       sum(CASE WHEN r.amountFlags & 1 THEN l.lineAmountB ELSE l.lineAmountA END) AS amount
FROM receipts r JOIN lines l ON l.receiptId = r.receiptId
WHERE r.register BETWEEN 1 AND 4 AND r.stateMarker <= 0 AND r.receiptId <> 0 AND r.saleDate <> ''
  AND '20' || substr(r.saleDate, 7, 2) || substr(r.saleDate, 4, 2) || substr(r.saleDate, 1, 2)
      BETWEEN '$from' AND '$to'
  AND instr(r.remark, 'Karta:') > 0
  AND ltrim(substr(r.remark, instr(r.remark, 'Karta:') + 6), ' ') LIKE '77%'
  AND l.lineState <> 0 AND l.itemRef <> 0 AND l.goodsGroup NOT IN (7, 12)
GROUP BY r.receiptId HAVING amount > 0;
SELECT count(*) FROM transactions;
SQL
/usr/bin/time -o "$work/time" -f "%e %M" sqlite3 :memory: <"$work/build.sql" >"$work/out"
read -r seconds peak <"$work/time"
printf '{"seconds": %s, "peak_kb": %s, "transactions": %s}\n' "$seconds" "$peak" "$(tail -n 1 "$work/out")"
