#!/usr/bin/env bash
# Wine prefixes of the right width: a prefix left over with the other width (from an older run
# or another kind of machine), or left half made, is made anew with the width asked for, and a
# good one is kept as it is. Also the forced answer of the 32-bit check, which sends the tests,
# the demo and set-up down the wine64 path on any machine.
#   wine_prefix_test.sh ARCH WORK_DIR      (ARCH: win32 or win64, the width this build runs)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=$1 work=$2
. "$root/cmake/wine-prefix.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
other=win64
[ "$arch" = win64 ] && other=win32

prefix=$work/prefix
rm -rf "$prefix" "$prefix.lock"
mkdir -p "$prefix"
# A finished prefix of the other width, as far as its files tell.
printf 'WINE REGISTRY Version 2\n#arch=%s\n' "$other" >"$prefix/system.reg"
touch "$prefix/.agg-ready" "$prefix/left-over"
out=$(wine_prefix "$prefix" "$arch" .agg-ready 2>&1) || fail "making the prefix failed: $out"
[ "$(wine_prefix_arch "$prefix")" = "$arch" ] || fail "the prefix is '$(wine_prefix_arch "$prefix")', not $arch"
[ ! -e "$prefix/left-over" ] || fail "the prefix of the other width was used, not made anew"
grep -q "is a $other prefix; making it anew as $arch" <<<"$out" || fail "no word of the remade prefix: $out"

touch "$prefix/kept"
out=$(wine_prefix "$prefix" "$arch" .agg-ready 2>&1) || fail "a second call failed: $out"
[ -e "$prefix/kept" ] && [ -z "$out" ] || fail "a prefix of the right width was made again: $out"

# Half made: the marker never written.
rm "$prefix/.agg-ready"
out=$(wine_prefix "$prefix" "$arch" .agg-ready 2>&1) || fail "remaking a half-made prefix failed: $out"
[ ! -e "$prefix/kept" ] && [ -f "$prefix/.agg-ready" ] || fail "a half-made prefix was used: $out"
wine_stop_servers "$prefix"
rm -rf "$prefix" "$prefix.lock"

AGG_WINE32=no bash "$root/scripts/can_run_wine32.sh" && fail "AGG_WINE32=no still answers yes"
AGG_WINE32=no bash "$root/scripts/can_run_wine32.sh" --kernel && fail "AGG_WINE32=no --kernel still answers yes"
[ "$(AGG_WINE32=no bash "$root/scripts/windows_preset.sh")" = win64 ] || fail "AGG_WINE32=no does not pick win64"

[ $failures -eq 0 ] && echo "wine prefix test passed"
exit $((failures > 0))
