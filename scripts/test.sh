#!/usr/bin/env bash
# Builds every target without warnings and runs every test: natively, under AddressSanitizer and
# UndefinedBehaviorSanitizer, under ThreadSanitizer, the fuzz targets for a bounded time, and the
# Windows builds under wine. Exits non-zero on any failure.
#
# The product is the 32-bit DLL. Its tests run under 32-bit wine where the machine's kernel can
# start 32-bit programs; where it cannot, the same sources are also built for 64-bit Windows and
# the Windows tests run under wine64, against the real Windows APIs all the same.
set -uo pipefail
cd "$(dirname "$0")/.."
. cmake/wine-prefix.sh
jobs="${AGG_JOBS:-2}"
passed=0
failed=0
failures=()

step() { printf '\n=== %s ===\n' "$*"; }

configure_and_build() { # preset [target...]
  local preset=$1 log
  shift
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  log="build/$preset.build.log"
  mkdir -p build
  if ! cmake --preset "$preset" -DAGG_WERROR=ON >"$log" 2>&1; then
    cat "$log"
    return 1
  fi
  if ! cmake --build --preset "$preset" -j "$jobs" "${targets[@]}" >>"$log" 2>&1; then
    grep -E 'error|warning' "$log" | head -40
    return 1
  fi
  if grep -q 'warning:' "$log"; then
    grep 'warning:' "$log" | head -20
    return 1
  fi
  echo "built $preset without warnings"
}

run_ctest() { # preset [ctest args...]
  local preset=$1
  shift
  local out="build/$preset.ctest.log"
  # Two tests at a time; tests that share a file or a registry key carry a RESOURCE_LOCK, which
  # keeps them apart.
  ctest --test-dir "build/$preset" --output-on-failure --no-tests=error -j "$jobs" "$@" 2>&1 |
    tee "$out"
  local status=${PIPESTATUS[0]}
  # The Windows tests keep one wine server alive between them; end it with the run.
  if [ -d "build/$preset/wineprefix" ]; then
    wine_stop_servers "$PWD/build/$preset/wineprefix"
  fi
  local p f
  p=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$out" || true)
  f=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Failed|Not Run|Timeout|Exception)' "$out" || true)
  # ctest's own status counts too: a run that registers no test, or fails outside any one test,
  # fails the step even when no line of its output says so.
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
    f=1
  fi
  passed=$((passed + p))
  failed=$((failed + f))
  [ "$f" -eq 0 ] || failures+=("$preset tests (ctest exit status $status)")
}

build_or_fail() { # preset [target...]
  if ! configure_and_build "$@"; then
    failed=$((failed + 1))
    failures+=("$1 build")
    return 1
  fi
}

step "native build and tests"
build_or_fail native && run_ctest native

step "AddressSanitizer + UndefinedBehaviorSanitizer"
build_or_fail native-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 run_ctest native-asan

step "ThreadSanitizer"
build_or_fail native-tsan && TSAN_OPTIONS=halt_on_error=1 run_ctest native-tsan

step "fuzz targets (bounded time)"
build_or_fail native-fuzz fuzz_all && run_ctest native-fuzz -R fuzz

step "32-bit Windows build (the product)"
# The whole tree where 32-bit wine runs its tests; elsewhere the product and its core, whose
# tests the 64-bit build below runs.
win32_targets=()
bash scripts/can_run_wine32.sh || win32_targets=(aggregation dist hostsim plugin_info)
if build_or_fail win32 "${win32_targets[@]}"; then
  # The export table and imports of the DLL a user installs (build/win32/dist).
  if bash scripts/check_exports.sh build/win32/dist/aggregation.dll; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("win32 export table")
  fi
  if bash scripts/can_run_wine32.sh; then
    run_ctest win32
    # The 64-bit build carries the Windows tests on machines that cannot start 32-bit programs:
    # its library and hosts are built here too, so that it stays free of warnings.
    step "64-bit Windows build (the stand-in where 32-bit wine cannot run)"
    build_or_fail win64 aggregation hostsim plugin_info
  else
    echo "32-bit programs cannot run here (or AGG_WINE32=no says so), so 32-bit wine cannot;"
    echo "the Windows tests run under wine64 against the 64-bit build below"
    step "64-bit Windows build, tests under wine64"
    build_or_fail win64 && run_ctest win64
  fi
fi

echo
if [ ${#failures[@]} -gt 0 ]; then
  echo "FAILED: ${failures[*]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
