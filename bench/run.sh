#!/usr/bin/env bash
# The export benchmark in one command (see bench/README.md):
#   bash bench/run.sh [--sizes 10000,200000,1000000] [--build DIR] [--data DIR] [--json FILE]
#                     [--repeat N]   (runs a size N times and keeps the median; default 11
#                                     up to 10 000 receipts, 5 above)
#                     [--huge-pages]  (both programs allocate with transparent huge pages)
#   bash bench/run.sh --smoke [--build DIR]     10 000 receipts, checks only (for CI)
# Builds warnik, the plug-in and the baseline (Release, in build-release/ unless --build names
# a folder), then runs bench/bench.py.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="$root/build-release"
data=""
sizes="10000,200000,1000000"
json=""
repeat=""
smoke=0
huge=0

while [ $# -gt 0 ]; do
  case "$1" in
    --sizes) sizes="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --data) data="$2"; shift 2 ;;
    --json) json="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --huge-pages) huge=1; shift ;;
    --smoke) smoke=1; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "bench: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
done
if [ "$smoke" = 1 ]; then sizes=10000; repeat=1; fi
build=$(mkdir -p "$build" && cd "$build" && pwd)
[ -n "$data" ] || data="$build/bench-data"

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  if command -v ninja >/dev/null; then generator=(-G Ninja); fi
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DKRONILOG_TESTS=OFF >/dev/null
else
  cmake "$build" >/dev/null  # picks up bench/ in a folder configured before it existed
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$type" != "Release" ] && [ "$smoke" = 0 ]; then
  echo "bench: note: $build is a '${type:-plain}' build; the figures are meant for Release" >&2
fi
cmake --build "$build" -j2 --target warnik kronilog bench_baseline >/dev/null

args=(--build "$build" --data "$data" --sizes "$sizes")
[ -z "$json" ] || args+=(--json "$json")
[ -z "$repeat" ] || args+=(--repeat "$repeat")
[ "$huge" = 0 ] || args+=(--huge-pages)
exec python3 "$here/bench.py" "${args[@]}"
