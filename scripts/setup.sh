#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test both targets: mingw-w64 for
# i686 and x86_64 (posix thread model), wine64, Xvfb and ImageMagick for the screenshots, clang
# for the fuzz targets, GoogleTest, Google Benchmark and chmcmd for the help file. Does nothing
# when everything is already there.
#
# 32-bit wine is installed only where this kernel can start 32-bit programs (checked by
# scripts/can_run_wine32.sh --kernel before anything 32-bit is touched). Elsewhere the Windows
# tests run under wine64 and no i386 architecture is added.
#
# A package index that fails to download does not stop set-up: the update is retried, then
# set-up goes on with the indexes it has. Only a failing install of a package we need stops it,
# with apt's own message.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have_cmd wine || need+=(wine)
have_pkg wine64 || need+=(wine64)
# The fonts wine draws with: without them a dialog's caption bar shows letters for its close and
# help buttons in the published pictures.
have_pkg fonts-wine || need+=(fonts-wine)
have_cmd Xvfb || need+=(xvfb)
have_cmd xvfb-run || need+=(xauth)
have_cmd import || need+=(imagemagick)
have_cmd chmcmd || need+=(fp-utils)
have_cmd clang++ || need+=(clang)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libgmock-dev || need+=(libgmock-dev)
have_pkg libbenchmark-dev || need+=(libbenchmark-dev)
have_cmd zip || need+=(zip)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)

want_wine32=0
if bash "$here/can_run_wine32.sh" --kernel; then
  have_pkg wine32:i386 || want_wine32=1
fi

if [ ${#need[@]} -eq 0 ] && [ $want_wine32 -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

if ! bash "$here/can_run_wine32.sh" --kernel; then
  echo "setup: this kernel cannot start 32-bit programs; the Windows tests will run under wine64 (no 32-bit packages installed)"
fi

# apt-get update exits non-zero when any one index fails to download, even when every package we
# need stays installable from the others. Retry a few times, then go on with what we have.
update_indexes() {
  local attempt
  for attempt in 1 2 3; do
    if $sudo apt-get update -qq; then
      return 0
    fi
    [ $attempt -lt 3 ] && sleep "${AGG_APT_RETRY_PAUSE:-5}"
  done
  echo "setup: apt-get update still reports errors after 3 attempts; going on with the package indexes it has"
}

if [ $want_wine32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
update_indexes

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  if ! $sudo apt-get install -y -q --no-install-recommends "${need[@]}" >/tmp/agg-setup-apt.log 2>&1; then
    cat /tmp/agg-setup-apt.log
    echo "setup: installing ${need[*]} failed (apt's message above)"
    exit 1
  fi
fi

if [ $want_wine32 -eq 1 ]; then
  if $sudo apt-get install -y -q --no-install-recommends wine32:i386 >/tmp/agg-setup-wine32.log 2>&1; then
    echo "setup: installed wine32"
  else
    tail -5 /tmp/agg-setup-wine32.log
    echo "setup: wine32 could not be installed; the Windows tests will run under wine64"
  fi
fi
echo "setup: done"
