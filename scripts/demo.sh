#!/usr/bin/env bash
# The product's main job for a person at a terminal: the host simulator loads the real DLL under
# wine, as a data-acquisition host does, configures it from the weather-station example and
# sends it the station's packets; it prints every aggregated row and a summary.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
preset=$(bash scripts/windows_preset.sh)
echo "building the $preset library and the host simulator..."
log=build/demo-$preset.log
mkdir -p build
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j 2 --target aggregation hostsim plugin_info; } >"$log" 2>&1; then
  tail -40 "$log"
  exit 1
fi
. cmake/wine-prefix.sh
loader=$(wine_label "$preset")
run() { (cd "build/$preset/bin" && AGG_WINEPREFIX="$root/build/$preset/wineprefix" AGG_WINE_ARCH=$preset bash "$root/cmake/wine-run.sh" "$@"); }

echo
echo "== what the host learns from the descriptor exports (plugin_info.exe under $loader) =="
run plugin_info.exe aggregation.dll
echo
echo "== the weather station through the filter (hostsim.exe under $loader) =="
echo "   settings: examples/weather.ini, section prefix Weather; packets: examples/weather.packets"
echo
run hostsim.exe --ini "Z:$root/examples/weather.ini" --section-prefix Weather \
  --input "Z:$root/examples/weather.packets"

echo
echo "== two interleaved stations, one of them failing (hostsim.exe under $loader) =="
echo "   settings: examples/stations.ini (grouped by station, age limit, timeout, partial rows)"
echo
run hostsim.exe --ini "Z:$root/examples/stations.ini" --section-prefix Stations \
  --input "Z:$root/examples/stations.packets"

echo
echo "== the options dialog (hostsim.exe --options under $loader, on a virtual X display) =="
shot="$root/build/screenshots/options-dialog.png"
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s '-screen 0 1024x768x24' bash scripts/options_screenshot.sh "$root/build/$preset/bin" \
  "$root/build/$preset/wineprefix-desktop" "$preset" "$shot"
echo "screenshot of the options dialog: $shot"
