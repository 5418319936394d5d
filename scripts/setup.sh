#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test both targets:
# mingw-w64 for i686 and x86_64 (posix thread model), wine with wine32 and wine64, Xvfb, clang
# for the fuzz targets, GoogleTest and Google Benchmark. Does nothing when everything is already there.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have_cmd wine || need+=(wine)
have_pkg wine32:i386 || need+=(wine32:i386)
have_pkg wine64 || need+=(wine64)
have_cmd Xvfb || need+=(xvfb)
have_cmd clang++ || need+=(clang)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libgmock-dev || need+=(libgmock-dev)
have_pkg libbenchmark-dev || need+=(libbenchmark-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${need[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "setup: done"
