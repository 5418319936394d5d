#!/usr/bin/env bash
# Runs a Windows program under wine with a private prefix of the build tree (AGG_WINEPREFIX).
# AGG_WINE_ARCH is the programs' width: win32 (the 32-bit loader and server, a 32-bit prefix) or
# win64 (wine64 and a 64-bit prefix). The prefix is made once, with the null graphics driver,
# which lets dialogs run without a display; one of the other width is made anew.
#
# One wine server is kept alive for 30 s after its last program ends, so that a test that
# starts right after another never meets a server that is shutting down, and the tests do not
# pay a server start each. A program that fails within a second is started once more with wine's
# error channels on, and both exit statuses are printed: a fault of our own fails twice and shows
# why, a wine start-up hiccup does not fail the run.
set -u
prefix="${AGG_WINEPREFIX:?AGG_WINEPREFIX not set}"
arch="${AGG_WINE_ARCH:?AGG_WINE_ARCH not set (win32 or win64)}"
. "$(dirname "$0")/wine-prefix.sh"
wine_programs "$arch" || exit 1
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

null_graphics() {
  "$wine_loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
}
wine_prefix "$prefix" "$arch" .agg-ready null_graphics || exit 1
export WINEPREFIX="$prefix" WINEARCH="$arch"
(
  flock 9
  # Starts the server unless one runs for this prefix (then it answers 2 and does nothing), and
  # with it wine's own services, away from this program's output: whatever holds the test's
  # output open would keep the test running until the server ends.
  if "$wine_server" -p30 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine_loader" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$prefix.lock"

started=$(date +%s%N)
"$wine_loader" "$@"
status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
if [ "$status" -ne 0 ] && [ "$elapsed_ms" -lt 1000 ]; then
  printf 'wine-run: %s ended with status %d after %d ms; starting it once more\n' \
    "$1" "$status" "$elapsed_ms" >&2
  WINEDEBUG="${AGG_WINE_RETRY_DEBUG:-err+all,fixme-all}" "$wine_loader" "$@"
  status=$?
  [ "$status" -eq 0 ] || printf 'wine-run: %s ended with status %d again\n' "$1" "$status" >&2
fi
exit "$status"
