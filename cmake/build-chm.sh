#!/usr/bin/env bash
# Compiles the help project SOURCE_DIR/aggregation.hhp into OUTPUT with chmcmd.
#
#   build-chm.sh SOURCE_DIR WORK_DIR OUTPUT CHMCMD
#
# chmcmd records each page of the context map ([ALIAS]/[MAP]) under the absolute path of the
# project folder, so a map compiled in /x/help names "/x/help/options.html", a page that is not in
# the file, and the viewer finds no topic for the context. Compiled with the project folder as
# the root folder, the entries are the pages' own paths inside the file ("/options.html"). So the
# sources are copied into WORK_DIR/root together with chmcmd and the libraries it links against,
# and chmcmd runs there under chroot: directly when running as root (as CI does), in a user
# namespace (unshare -r) otherwise, or under fakechroot where neither is possible.
set -euo pipefail
src=$1 work=$2 out=$3 chmcmd=$4

root="$work/root"
rm -rf "$work"
mkdir -p "$root"
cp -r "$src"/. "$root"/

tool=$(readlink -f "$(command -v "$chmcmd")")
install -D -m 755 "$tool" "$root/.tool/chmcmd"
# The dynamic loader and the libraries, at the paths the program asks for them; the Free Pascal
# run-time also opens the thread library at start, beside the C library.
libs=$(ldd "$tool" 2>/dev/null | grep -o '/[^ ]*' || true)
for lib in $libs; do
  install -D "$(readlink -f "$lib")" "$root$lib"
  case "$lib" in
    */libc.so.*)
      for extra in "$(dirname "$lib")"/libpthread.so.0 "$(dirname "$lib")"/libdl.so.2; do
        [ -e "$extra" ] && install -D "$(readlink -f "$extra")" "$root$extra"
      done
      ;;
  esac
done

run=(chroot "$root" /.tool/chmcmd --no-html-scan /aggregation.hhp)
log="$work/chmcmd.log"
: >"$log"
compiled() { [ -s "$root/aggregation.chm" ]; }
if [ "$(id -u)" = 0 ]; then
  "${run[@]}" >>"$log" 2>&1 || true
fi
if ! compiled && unshare -r true 2>/dev/null; then
  unshare -r "${run[@]}" >>"$log" 2>&1 || true
fi
if ! compiled && command -v fakechroot >/dev/null; then
  fakechroot "${run[@]}" >>"$log" 2>&1 || true
fi
if ! compiled; then
  cat "$log" >&2
  echo "build-chm.sh: chmcmd could not run with the project folder as root folder (chroot as" \
       "root, unshare -r or fakechroot); a help file compiled elsewhere would carry a wrong" \
       "context map, so none is made" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
cp "$root/aggregation.chm" "$out"
