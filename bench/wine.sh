#!/usr/bin/env bash
# The release DLL's export under Wine against the native build, on the same shop, in one run
# (the figures in docs/performance.md, "The release DLL under Wine"):
#   bash bench/wine.sh [--sizes 10000,100000] [--runs 5]
# The Win32 side is build-win32 as `bash .ci/release` leaves it (the DLL the zip holds); the
# native side is built here with the same flags (KRONILOG_RELEASE: -O2) in
# build-release-native/. Then bench/wine_ratio.py runs both; shops and runs go to
# build-release-native/wine-data/.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
win32="$root/build-win32"
native="$root/build-release-native"

if ! grep -q '^KRONILOG_RELEASE:BOOL=ON$' "$win32/CMakeCache.txt" 2>/dev/null; then
  echo "bench/wine.sh: $win32 is not the release build; run bash .ci/release first" >&2
  exit 2
fi
cmake --build "$win32" -j2 --target kronilog warnik >/dev/null
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -G Ninja -DKRONILOG_RELEASE=ON -DKRONILOG_TESTS=OFF >/dev/null
fi
cmake --build "$native" -j2 --target warnik kronilog >/dev/null
exec python3 "$here/wine_ratio.py" --native "$native" --win32 "$win32" --data "$native/wine-data" "$@"
