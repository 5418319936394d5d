#!/usr/bin/env bash
# The shipped set of a Windows build: the user's zip holds the DLL, the help and the language
# file but not the debug information, which comes as a zip of its own, with the same version.
#   dist_test.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: dist_test.sh BUILD_DIR}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
names() { python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$1"; }

symbols=$(ls "$build"/aggregation-*-symbols.zip 2>/dev/null | head -1)
user=${symbols%-symbols.zip}.zip
[ -n "$symbols" ] || fail "no symbols zip in $build"
[ -f "$user" ] || fail "no user zip beside $symbols"
if [ $failures -eq 0 ]; then
  in_user=$(names "$user")
  for want in aggregation.dll aggregation.lng; do
    grep -qx "$want" <<<"$in_user" || fail "$want is not in $(basename "$user"): $in_user"
  done
  grep -q '\.debug$' <<<"$in_user" && fail "the debug information is in $(basename "$user")"
  [ "$(names "$symbols")" = aggregation.dll.debug ] || fail "$(basename "$symbols") holds: $(names "$symbols")"
fi
[ $failures -eq 0 ] && echo "dist test passed: $(basename "$user") ($(du -k "$user" | cut -f1) KiB), $(basename "$symbols") ($(du -k "$symbols" | cut -f1) KiB)"
exit $((failures > 0))
