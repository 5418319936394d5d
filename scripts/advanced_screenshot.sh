#!/usr/bin/env bash
# Takes a screenshot of the advanced options dialog in one language of the shipped language file
# (default EN), with real pixels under Xvfb, so that a person can check its layout and texts.
#   scripts/advanced_screenshot.sh [LANGUAGE] [OUT.png]
# Builds the library and host tests of the Windows preset this machine runs (win32 where it
# starts 32-bit programs, else win64) first when they are missing. The host tests' screenshot
# case opens the options dialog, presses "Advanced..." and holds the advanced dialog open; the
# picture is cut to the advanced dialog's window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/screenshot_common.sh"
lang=${1:-EN}
out=${2:-$root/build/screenshots/advanced-dialog-$lang.png}
preset=${AGG_PRESET:-$(bash "$root/scripts/windows_preset.sh")}
bin=$root/build/$preset/bin
if [ ! -f "$bin/host_tests.exe" ] || [ ! -f "$bin/aggregation.dll" ]; then
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target host_tests aggregation
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

if [ -z "${AGG_IN_XVFB:-}" ]; then
  AGG_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$lang" "$out"
fi

prefix=$root/build/$preset/wineprefix-desktop
desktop_prefix "$prefix" "$preset"
log=$(dirname "$out")/advanced-demo-$lang.log
(cd "$bin" && AGG_SCREENSHOT_LANGUAGE=$lang AGG_SCREENSHOT_HOLD_MS=4000 exec "$wine_loader" host_tests.exe \
  --gtest_filter=AdvancedDialogHost.HeldOpenForAScreenshot) >"$log" 2>&1 &
run=$!
capture_when_shown "$log" 'advanced dialog: shown' "$run" "$out"
# "shown at X,Y WxH": the advanced dialog's window on the screen.
geometry=$(sed -n 's/.*advanced dialog: shown at \([-0-9]*\),\([-0-9]*\) \([0-9]*\)x\([0-9]*\).*/\3x\4+\1+\2/p' "$log" | head -1)
if [ -n "$geometry" ]; then
  convert "$out.full.png" -crop "$geometry" +repage "$out"
else
  convert "$out.full.png" -trim +repage "$out"
fi
[ -n "${AGG_KEEP_FULL:-}" ] || rm -f "$out.full.png"
"$wine_server" -w 2>/dev/null || true
echo "screenshot of the advanced dialog in $lang: $out"
