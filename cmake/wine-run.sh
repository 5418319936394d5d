#!/usr/bin/env bash
# Runs a Windows program under wine with a private prefix of the build tree (AGG_WINEPREFIX).
# AGG_WINE_LOADER picks the loader: "wine" for 32-bit programs, "wine64" for 64-bit ones.
# The prefix is created once, under a lock so that parallel tests do not race, with the null
# graphics driver, which lets dialogs run without a display.
set -u
prefix="${AGG_WINEPREFIX:?AGG_WINEPREFIX not set}"
loader="${AGG_WINE_LOADER:-wine}"
case "$loader" in
  wine64) [ -x /usr/lib/wine/wine64 ] && loader=/usr/lib/wine/wine64 ;;
esac
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.agg-ready" ]; then
    "$loader" wineboot -i >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.agg-ready"
  fi
) 9>"$prefix.lock"
exec "$loader" "$@"
