#!/usr/bin/env bash
# Takes a screenshot of the options dialog in one of the languages of the shipped language file
# (default RU, Russian in Windows-1251), with real pixels under Xvfb, so that a person can check
# that the translated texts are readable.
#   scripts/screenshot_language.sh [LANGUAGE] [OUT.png] [WIDTH]
# WIDTH (pixels) opens the dialog at that width, for example 350, the narrowest it allows.
# Builds the library and host simulator of the Windows preset this machine runs (win32 where it
# starts 32-bit programs, else win64) first when they are missing. The wine prefix has the X11
# driver and a virtual desktop of the screen's size; the host simulator opens the dialog filled
# from the weather example and closes it itself after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/screenshot_common.sh"
lang=${1:-RU}
out=${2:-$root/build/screenshots/options-dialog-$lang.png}
width=${3:-}
preset=${AGG_PRESET:-$(bash "$root/scripts/windows_preset.sh")}
bin=$root/build/$preset/bin
if [ ! -f "$bin/hostsim.exe" ] || [ ! -f "$bin/aggregation.dll" ] || [ ! -f "$bin/aggregation.lng" ]; then
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target hostsim aggregation
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

if [ -z "${AGG_IN_XVFB:-}" ]; then
  # Run the rest on a virtual X display of its own.
  AGG_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$lang" "$out" "$width"
fi

prefix=$root/build/$preset/wineprefix-desktop
desktop_prefix "$prefix" "$preset"
work=$(dirname "$out")
# The dialog saves its position into the settings file: a copy keeps the example unchanged.
cp "$root/examples/weather.ini" "$work/language-demo.ini"
# The dialog takes its width from the settings.
[ -z "$width" ] || printf 'Width=%s\r\n' "$width" >>"$work/language-demo.ini"
log="$work/language-demo-$lang.log"
(cd "$bin" && exec "$wine_loader" hostsim.exe --options --language "$lang" \
  --ini "Z:$work/language-demo.ini" --section-prefix Weather \
  --input "Z:$root/examples/weather.packets" --close-after 4000) >"$log" 2>&1 &
sim=$!
capture_when_shown "$log" 'options dialog: shown' "$sim" "$out"
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
"$wine_server" -w 2>/dev/null || true
echo "screenshot of the options dialog in $lang: $out"
