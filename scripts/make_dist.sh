#!/usr/bin/env bash
# Makes the set a user installs from one Windows build: the DLL without debug information, the
# help and language files where the build has them, and a zip of them named with the file version
# read back from the DLL's version resource. The debug information goes into
# aggregation.dll.debug beside them, linked through a .gnu_debuglink section so that a debugger
# finds it, and ships as a zip of its own (aggregation-<version>-symbols.zip): it is many times
# the DLL's size, and a user needs it only to debug.
#
# usage: make_dist.sh OBJCOPY BIN_DIR DIST_DIR
set -euo pipefail
objcopy=${1:?usage: make_dist.sh OBJCOPY BIN_DIR DIST_DIR}
bin=${2:?usage: make_dist.sh OBJCOPY BIN_DIR DIST_DIR}
dist=${3:?usage: make_dist.sh OBJCOPY BIN_DIR DIST_DIR}

rm -rf "$dist"
mkdir -p "$dist"
"$objcopy" --only-keep-debug "$bin/aggregation.dll" "$dist/aggregation.dll.debug"
# --add-gnu-debuglink records the debug file's name and checksum; it is looked up beside the DLL.
(cd "$dist" && "$objcopy" --strip-all --add-gnu-debuglink=aggregation.dll.debug \
  "$bin/aggregation.dll" aggregation.dll)
for extra in aggregation.chm aggregation.lng; do
  [ -f "$bin/$extra" ] && cp "$bin/$extra" "$dist/"
done

# VS_FIXEDFILEINFO starts with the signature 0xFEEF04BD; dwFileVersionMS and dwFileVersionLS
# follow the structure version, as pairs of little-endian 16-bit words (minor, major, build, patch).
offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$dist/aggregation.dll" | head -1 | cut -d: -f1)
if [ -z "$offset" ]; then
  echo "make_dist: no version resource in aggregation.dll" >&2
  exit 1
fi
read -r minor major build patch < <(od -An -tu2 -j $((offset + 8)) -N8 "$dist/aggregation.dll")
version="$major.$minor.$patch.$build"

zip_name="aggregation-$version.zip"
symbols_name="aggregation-$version-symbols.zip"
rm -f "$dist/../$zip_name" "$dist/../$symbols_name"
(cd "$dist" && zip -q -X "../$zip_name" ./* -x aggregation.dll.debug)
(cd "$dist" && zip -q -X "../$symbols_name" aggregation.dll.debug)
echo "dist: $(cd "$dist" && ls | tr '\n' ' ')-> $zip_name ($(du -k "$dist/../$zip_name" | cut -f1) KiB), $symbols_name ($(du -k "$dist/../$symbols_name" | cut -f1) KiB)"
