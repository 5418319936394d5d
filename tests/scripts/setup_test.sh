#!/usr/bin/env bash
# Set-up against a package manager that misbehaves as the archive sometimes does: apt-get, dpkg
# and dpkg-query are test doubles on PATH that record their calls, so nothing is installed.
# Checks that a failing index update is retried and then set aside, that a failing install stops
# set-up with apt's own message, and that nothing 32-bit is touched on a kernel that cannot start
# 32-bit programs (forced with AGG_WINE32=no).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cat >"$fake/apt-get" <<'DOUBLE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$AGG_FAKE_LOG"
case " $* " in
*" update "*)
  echo "E: Failed to fetch http://deb.example/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress?" >&2
  exit 100 ;;
*" install "*)
  if [ -n "${AGG_FAKE_INSTALL_FAILS:-}" ]; then
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
  fi ;;
esac
exit 0
DOUBLE
cat >"$fake/dpkg" <<'DOUBLE'
#!/usr/bin/env bash
echo "dpkg $*" >>"$AGG_FAKE_LOG"
DOUBLE
# Every package reads as missing, so set-up always has something to install.
printf '#!/usr/bin/env bash\nexit 1\n' >"$fake/dpkg-query"
chmod +x "$fake"/*

run_setup() { # log-file [env...]
  local log=$1
  shift
  : >"$log"
  env AGG_FAKE_LOG="$log" AGG_APT_RETRY_PAUSE=0 PATH="$fake:$PATH" "$@" bash "$root/scripts/setup.sh" 2>&1
}

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: set-up calls sudo when not run as root"
  exit 77
fi

out=$(run_setup "$fake/calls1")
status=$?
[ $status -eq 0 ] || fail "a failing index update stopped set-up (status $status): $out"
[ "$(grep -c 'update' "$fake/calls1")" -eq 3 ] || fail "the index update was not tried 3 times: $(cat "$fake/calls1")"
grep -q 'going on with the package indexes it has' <<<"$out" || fail "no line saying set-up goes on: $out"
grep -q 'apt-get install' "$fake/calls1" || fail "nothing was installed after the failed update"

out=$(run_setup "$fake/calls2" AGG_FAKE_INSTALL_FAILS=1)
status=$?
[ $status -ne 0 ] || fail "a failing install was reported as success"
grep -q 'held broken packages' <<<"$out" || fail "apt's own message was not shown: $out"

# A kernel that cannot start 32-bit programs, forced where this one can.
out=$(run_setup "$fake/calls3" AGG_WINE32=no)
if grep -qE 'add-architecture|i386' "$fake/calls3"; then
  fail "set-up touched 32-bit packages on a kernel that cannot start 32-bit programs: $(cat "$fake/calls3")"
fi
[ "$(grep -c 'cannot start 32-bit programs' <<<"$out")" -eq 1 ] || fail "the wine64 notice is not said once: $out"

[ $failures -eq 0 ] && echo "set-up test passed"
exit $((failures > 0))
