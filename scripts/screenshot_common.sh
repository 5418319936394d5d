# Shared by the screenshot scripts (sourced, not run): a wine prefix with the X11 driver and a
# virtual desktop of the screen's size, and the picture of the screen once the program under
# test says that its dialog is shown.
. "$(dirname "${BASH_SOURCE[0]}")/../cmake/wine-prefix.sh"

virtual_desktop() {
  "$wine_loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
    "$wine_loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
}

# desktop_prefix PREFIX ARCH: exports the wine environment for PREFIX, a prefix of width ARCH
# (win32 or win64) made with a 1024x768 virtual desktop the first time, and sets wine_loader and
# wine_server to that width's programs.
desktop_prefix() {
  local prefix=$1 arch=$2
  # Wine draws the caption bar's close button as a glyph of its Marlett font and the dialogs'
  # text in Tahoma, as Windows does; without its fonts a picture shows a letter for the close box
  # and another face. This wine reads fonts only from the prefix's Fonts folder: they are copied
  # there.
  local fonts=/usr/share/wine/fonts
  if [ ! -f $fonts/marlett.ttf ]; then
    echo "screenshots: wine's fonts are missing (package fonts-wine; scripts/setup.sh installs it)" >&2
    return 1
  fi
  wine_prefix "$prefix" "$arch" .agg-desktop virtual_desktop || return 1
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp -n $fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
  export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# capture_when_shown LOG TEXT PID OUT: waits up to 30 s for TEXT in LOG, lets the dialog paint,
# takes the whole screen into OUT.full.png, waits for the program PID to end and prints LOG.
capture_when_shown() {
  local log=$1 text=$2 pid=$3 out=$4
  for _ in $(seq 1 300); do
    grep -q "$text" "$log" && break
    sleep 0.1
  done
  sleep 1.5 # the dialog paints
  import -window root "$out.full.png"
  wait "$pid" || true
  cat "$log"
}
