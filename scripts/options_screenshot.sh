#!/usr/bin/env bash
# Takes a screenshot of the options dialog with real pixels. Runs inside xvfb-run (see demo.sh):
# a wine prefix of its own with the X11 driver and a virtual desktop of the screen's size, the
# host simulator opens the dialog filled from the weather example's items and settings, the
# screen is captured once the dialog is shown, and the simulator closes the dialog itself.
#   options_screenshot.sh BIN_DIR PREFIX ARCH OUT.png      (ARCH: win32 or win64, the programs' width)
set -euo pipefail
bin=$1 prefix=$2 arch=$3 out=$4
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/screenshot_common.sh"
desktop_prefix "$prefix" "$arch"
work=$(dirname "$out")
mkdir -p "$work"
# The dialog saves its position into the settings file: a copy keeps the example unchanged.
cp "$root/examples/weather.ini" "$work/options-demo.ini"
log="$work/options-demo.log"
(cd "$bin" && exec "$wine_loader" hostsim.exe --options --ini "Z:$work/options-demo.ini" \
  --section-prefix Weather --input "Z:$root/examples/weather.packets" --close-after 4000) >"$log" 2>&1 &
sim=$!
capture_when_shown "$log" 'options dialog: shown' "$sim" "$out"
# The dialog alone, without the empty desktop around it.
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
"$wine_server" -w 2>/dev/null || true
