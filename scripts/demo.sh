#!/usr/bin/env bash
# The product's main job for a person at a terminal: load the real DLL under wine, as a host
# does, and show what the host learns from it.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$(bash scripts/windows_preset.sh)
echo "building the $preset library and host tools..."
log=build/demo-$preset.log
mkdir -p build
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j 2 --target aggregation plugin_info; } >"$log" 2>&1; then
  tail -40 "$log"
  exit 1
fi
bin=build/$preset/bin
loader=wine
[ "$preset" = win64 ] && loader=wine64
echo "running plugin_info.exe under $loader (prefix $PWD/build/$preset/wineprefix)"
echo
cd "$bin"
AGG_WINEPREFIX="$PWD/../wineprefix" AGG_WINE_LOADER=$loader bash ../../../cmake/wine-run.sh plugin_info.exe aggregation.dll
