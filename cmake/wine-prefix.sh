# Wine programs and prefixes of one width (sourced, not run). Every wine prefix of the project is
# made here, so that its width always matches the programs that run in it: a 32-bit prefix for
# the win32 build, a 64-bit one for win64. The loader and the server are the width's own
# programs in /usr/lib/wine, never the launcher first on PATH, which makes a 64-bit prefix
# wherever wine64 is installed too.
#
#   wine_programs ARCH               sets wine_loader and wine_server for ARCH (win32 or win64)
#   wine_label ARCH                  prints how messages name that wine ("32-bit wine", "wine64")
#   wine_prefix_arch PREFIX          prints the width PREFIX was made with (win32, win64 or nothing)
#   wine_prefix PREFIX ARCH MARKER [SETUP]
#       makes PREFIX as a prefix of width ARCH unless it already is one with the file MARKER in
#       it; a prefix of the other width, or one left half made, is removed and made anew. SETUP
#       names a function run once in the new prefix (with WINEPREFIX and WINEARCH exported).
#       Holds PREFIX.lock meanwhile, so that programs started in parallel make it once.

wine_programs() {
  case "$1" in
    win32)
      wine_loader=/usr/lib/wine/wine
      wine_server=/usr/lib/wine/wineserver32
      ;;
    win64)
      wine_loader=/usr/lib/wine/wine64
      wine_server=/usr/lib/wine/wineserver64
      ;;
    *)
      echo "wine: unknown width '$1' (win32 or win64)" >&2
      return 1
      ;;
  esac
  if [ ! -x "$wine_loader" ] || [ ! -x "$wine_server" ]; then
    echo "wine: $1 programs need $wine_loader and $wine_server, which are not installed" >&2
    return 1
  fi
}

wine_label() {
  if [ "$1" = win64 ]; then echo wine64; else echo "32-bit wine"; fi
}

wine_prefix_arch() {
  sed -n 's/^#arch=\(win32\|win64\)$/\1/p' "$1/system.reg" 2>/dev/null | head -1
}

# Ends any wine server of PREFIX, whichever width it has.
wine_stop_servers() {
  local server
  for server in /usr/lib/wine/wineserver32 /usr/lib/wine/wineserver64; do
    [ -x "$server" ] && WINEPREFIX="$1" "$server" -k >/dev/null 2>&1
  done
  return 0
}

wine_prefix() {
  local prefix=$1 arch=$2 marker=$3 setup=${4:-}
  wine_programs "$arch" || return 1
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ -f "$prefix/$marker" ] && [ "$(wine_prefix_arch "$prefix")" = "$arch" ]; then
      exit 0
    fi
    if [ -e "$prefix" ]; then
      local found
      found=$(wine_prefix_arch "$prefix")
      if [ -n "$found" ] && [ "$found" != "$arch" ]; then
        echo "wine: $prefix is a $found prefix; making it anew as $arch" >&2
      else
        echo "wine: $prefix was left half made; making it anew as $arch" >&2
      fi
      wine_stop_servers "$prefix"
      rm -rf "$prefix"
    fi
    export WINEPREFIX="$prefix" WINEARCH="$arch"
    "$wine_loader" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    [ -z "$setup" ] || "$setup" </dev/null >/dev/null 2>&1 9>&-
    "$wine_server" -w
    local made
    made=$(wine_prefix_arch "$prefix")
    if [ "$made" != "$arch" ]; then
      echo "wine: making $prefix as a $arch prefix failed (it says '${made:-nothing}')" >&2
      exit 1
    fi
    touch "$prefix/$marker"
  ) 9>"$prefix.lock"
}
