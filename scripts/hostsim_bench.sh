#!/usr/bin/env bash
# The host simulator's --bench through the native library and through the Windows DLL under wine,
# on the same packets: 8,000 packets of 8 values (integers and floats, every packet a list of its
# own with names of its own), each completing a row with 8 variables, replayed REPEATS times.
#
# The two run at the same time, one on each core, ROUNDS times: on a shared machine whose speed
# swings from second to second, runs one after the other compare two different machines, while
# two runs at once meet the same one. Prints each pair and the median of the time ratios
# (Windows DLL time / native time). Builds the native preset and the Windows preset this machine
# runs (win32, else win64) when their host simulators are missing.
#
#   scripts/hostsim_bench.sh [ROUNDS [REPEATS]]      (default 5 rounds of 1000 repeats)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
repeats="${2:-1000}"
jobs="${AGG_JOBS:-2}"
windows="$(bash scripts/windows_preset.sh)"
mkdir -p build
for preset in native "$windows"; do
  program=build/$preset/bin/hostsim
  [ "$preset" = native ] || program=$program.exe
  if [ ! -x "$program" ] && [ ! -f "$program" ]; then
    echo "building the host simulator of preset $preset (log: build/hostsim-$preset.log)"
    if ! { cmake --preset "$preset" -B "build/$preset" &&
      cmake --build "build/$preset" -j "$jobs" --target hostsim aggregation; } \
      >"build/hostsim-$preset.log" 2>&1; then
      tail -40 "build/hostsim-$preset.log"
      exit 1
    fi
  fi
done

packets="$PWD/build/hostsim-bench.packets"
python3 - "$packets" <<'EOF'
import random, sys
rng = random.Random(12)
with open(sys.argv[1], "w") as out:
    for _ in range(8000):
        values = []
        for k in range(1, 9):
            value = rng.randint(0, 999) if k % 2 else round(rng.uniform(0, 100), 2)
            values.append(f"V{k}={value}")
        out.write("; ".join(values) + "\n")
EOF

. cmake/wine-prefix.sh
loader=$(wine_label "$windows")
vars=V1,V2,V3,V4,V5,V6,V7,V8
rate() { tail -1 "$1" | sed -n 's/.*: \([0-9]*\) packets\/s.*/\1/p'; }
# One short run first, so that the wine server and the prefix are up before the timed rounds.
(cd "build/$windows/bin" && AGG_WINEPREFIX="$PWD/../wineprefix" AGG_WINE_ARCH=$windows \
  bash ../../../cmake/wine-run.sh ./hostsim.exe --vars $vars --bench 1 --input "$packets") >/dev/null
native_out=$(mktemp)
windows_out=$(mktemp)
trap 'rm -f "$native_out" "$windows_out"' EXIT
ratios=()
echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
for round in $(seq 1 "$rounds"); do
  build/native/bin/hostsim --vars $vars --bench "$repeats" --input "$packets" >"$native_out" 2>&1 &
  (cd "build/$windows/bin" && AGG_WINEPREFIX="$PWD/../wineprefix" AGG_WINE_ARCH=$windows \
    bash ../../../cmake/wine-run.sh ./hostsim.exe --vars $vars --bench "$repeats" \
    --input "$packets") >"$windows_out" 2>&1 &
  wait
  native=$(rate "$native_out")
  dll=$(rate "$windows_out")
  if [ -z "$native" ] || [ -z "$dll" ]; then
    echo "round $round: a run failed:"
    cat "$native_out" "$windows_out"
    exit 1
  fi
  ratio=$(python3 -c "print(f'{$native / $dll:.2f}')")
  ratios+=("$ratio")
  printf 'round %d: native %9d packets/s, %s DLL under %s %9d packets/s, time ratio %s\n' \
    "$round" "$native" "$windows" "$loader" "$dll" "$ratio"
done
python3 -c "import statistics, sys; print('median time ratio (DLL / native):', statistics.median(map(float, sys.argv[1:])))" "${ratios[@]}"
