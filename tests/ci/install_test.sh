#!/usr/bin/env bash
# .ci/install against stand-in apt tools: a machine with everything already, a mirror whose
# index update keeps failing, a needed package that cannot be had, and 32-bit Wine that cannot.
# The stand-ins keep their state in files: which packages are installed, which have no
# candidate, and every apt call made.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

stand_in() { printf '#!/usr/bin/env bash\n%s\n' "$2" > "$work/bin/$1"; chmod +x "$work/bin/$1"; }
stand_in sudo 'exec "$@"'
stand_in dpkg 'echo i386'
stand_in dpkg-query 'grep -qxF -- "${!#}" "$STATE/installed" && echo "install ok installed"; exit 0'
stand_in apt-cache 'if grep -qxF -- "$2" "$STATE/unavailable"; then echo "  Candidate: (none)"; else echo "  Candidate: 1.0"; fi'
stand_in apt-get '
echo "apt-get $1" >> "$STATE/calls"
case "$1" in
  update) [ -e "$STATE/update-fails" ] && exit 100; exit 0 ;;
  install) shift 3
    for p in "$@"; do grep -qxF -- "$p" "$STATE/unavailable" && exit 100; done
    printf "%s\n" "$@" >> "$STATE/installed" ;;
esac'

every_package() {  # the packages .ci/install names, as the stand-in dpkg-query would see them
  sed -n '/^packages=(/,/^)/p; /^wanted=(/p' "$root/.ci/install" | tr ' ()' '\n\n\n' |
    grep -vE '^(packages=|wanted=|)$'
}

failures=0
# case NAME, then: installed-before (all|all-but-some), unavailable list, update fails (yes|no),
# expected exit status, expected apt-get calls, a text stderr must hold
check() {
  local name=$1 before=$2 unavailable=$3 update_fails=$4 status=$5 calls=$6 says=$7
  export STATE="$work/$name"
  mkdir "$STATE"
  if [ "$before" = all ]; then every_package > "$STATE/installed"; else
    every_package | grep -vxE 'cmake|wine64|wine32:i386' > "$STATE/installed"; fi
  printf '%s\n' $unavailable > "$STATE/unavailable"
  [ "$update_fails" = yes ] && touch "$STATE/update-fails"
  touch "$STATE/calls"
  local got=0
  PATH="$work/bin:$PATH" KRONILOG_APT_PAUSE=0 bash "$root/.ci/install" > "$STATE/out" 2> "$STATE/err" || got=$?
  local made
  made=$(sort "$STATE/calls" | uniq -c | awk '{printf "%s%s×%s", sep, $3, $1; sep=","}')
  if [ "$got" != "$status" ] || [ "$made" != "$calls" ] || ! grep -qF -- "$says" "$STATE/out" "$STATE/err"; then
    echo "FAIL $name: status $got (want $status), apt-get calls '$made' (want '$calls')"
    cat "$STATE/out" "$STATE/err"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

check everything-installed   all          ""                  no  0 ""                       "apt is not called"
check mirror-out-of-step     all-but-some ""                  yes 0 "install×2,update×3"      "going on with the package lists at hand"
check needed-package-missing all-but-some "wine64"            yes 1 "install×1,update×3"      "no installable version of: wine64"
check wine32-not-installable all-but-some "wine32:i386"       no  0 "install×2,update×1"      "wine32:i386 could not be installed"
[ "$failures" = 0 ]
