#!/usr/bin/env bash
# Runs a Windows program under wine with a private prefix of the build tree (AGG_WINEPREFIX).
# AGG_WINE_LOADER picks the loader: "wine" for 32-bit programs, "wine64" for 64-bit ones.
# The prefix is created once, under a lock so that parallel tests do not race, with the null
# graphics driver, which lets dialogs run without a display.
#
# One wine server is kept alive for 30 s after its last program ends, so that a test that
# starts right after another never meets a server that is shutting down, and the tests do not
# pay a server start each. A program that fails within a second is started once more with wine's
# error channels on, and both exit statuses are printed: a fault of our own fails twice and shows
# why, a wine start-up hiccup does not fail the run.
set -u
prefix="${AGG_WINEPREFIX:?AGG_WINEPREFIX not set}"
loader="${AGG_WINE_LOADER:-wine}"
server=/usr/lib/wine/wineserver32
case "$loader" in
  wine64)
    [ -x /usr/lib/wine/wine64 ] && loader=/usr/lib/wine/wine64
    server=/usr/lib/wine/wineserver64
    ;;
esac
[ -x "$server" ] || server=/usr/lib/wine/wineserver
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.agg-ready" ]; then
    "$loader" wineboot -i >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$server" -w
    touch "$prefix/.agg-ready"
  fi
  # Starts the server unless one runs for this prefix (then it answers 2 and does nothing), and
  # with it wine's own services, away from this program's output: whatever holds the test's
  # output open would keep the test running until the server ends.
  if [ -x "$server" ] && "$server" -p30 </dev/null >/dev/null 2>&1 9>&-; then
    "$loader" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$prefix.lock"

started=$(date +%s%N)
"$loader" "$@"
status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
if [ "$status" -ne 0 ] && [ "$elapsed_ms" -lt 1000 ]; then
  printf 'wine-run: %s ended with status %d after %d ms; starting it once more\n' \
    "$1" "$status" "$elapsed_ms" >&2
  WINEDEBUG="${AGG_WINE_RETRY_DEBUG:-err+all,fixme-all}" "$loader" "$@"
  status=$?
  [ "$status" -eq 0 ] || printf 'wine-run: %s ended with status %d again\n' "$1" "$status" >&2
fi
exit "$status"
