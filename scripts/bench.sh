#!/usr/bin/env bash
# Builds the native preset and runs the ProcessData benchmark: the real library through its
# exports against the floor of copying the same packets into a rows list and the limit of writing
# each input item into an output item already there. Prints Google Benchmark's own output and then
# the summary table with the engine/floor and engine/limit ratios and the heap allocations per
# packet; then the peak memory of grouping under a million distinct key values. Extra arguments go
# to the benchmark binary (e.g. --benchmark_filter=16).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${AGG_JOBS:-2}"
build="${AGG_BENCH_BUILD:-build/native}"

mkdir -p build
log="build/bench.build.log"
if ! { cmake --preset native -B "$build" && cmake --build "$build" -j "$jobs" --target process_data_bench group_memory_bench; } >"$log" 2>&1; then
  tail -40 "$log"
  exit 1
fi

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
# Each case runs three times and the summary takes the fastest: this machine is shared.
"$build/bin/process_data_bench" --benchmark_min_time=0.2 --benchmark_repetitions=3 "$@"
echo
echo "grouping under a stream of distinct key values (peak resident size):"
"$build/bin/group_memory_bench"
