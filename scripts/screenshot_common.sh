# Shared by the screenshot scripts (sourced, not run): a wine prefix with the X11 driver and a
# virtual desktop of the screen's size, and the picture of the screen once the program under
# test says that its dialog is shown.

# desktop_prefix PREFIX LOADER [SERVER]: exports the wine environment for PREFIX and, the first
# time, creates the prefix with a 1024x768 virtual desktop; SERVER is waited for afterwards.
desktop_prefix() {
  local prefix=$1 loader=$2 server=${3:-wineserver}
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$prefix/.agg-desktop" ]; then
    mkdir -p "$prefix"
    "$loader" wineboot -i >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    "$server" -w 2>/dev/null || true
    touch "$prefix/.agg-desktop"
  fi
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
