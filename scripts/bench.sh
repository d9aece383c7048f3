#!/usr/bin/env bash
# Builds a Release tree and runs every benchmark, then prints one table:
# the core's evaluation (Google Benchmark), the start-up of the program against
# a bare Qt window under Xvfb (time to the first drawing, peak memory), and
# the time of "Calcola" on the real window. The window and the bare one are built
# in the same tree, so alike; the harness checks it. Run scripts/dev.sh test once
# before, for the packages. The machine may be shared: read the ratios against
# the baselines, which are measured in the same run.
#
#   scripts/bench.sh
# Environment: CALORVIN_BENCH_BUILD  build folder (default build/bench)
#              RUNS                  start-up runs of each program (default 41)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${CALORVIN_BENCH_BUILD:-build/bench}
runs=${RUNS:-41}
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

mkdir -p "$build"
log=$build/bench.log
: > "$log"
echo "== building $build (Release); details in $log" >&2
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCALORVIN_BUILD_BENCH=ON &&
       cmake --build "$build" -j "$jobs"; } >>"$log" 2>&1; then
  tail -n 40 "$log" >&2
  exit 1
fi

bench=$build/bench
# Each benchmark prints the same header and rows (bench/summary.h); the
# header is shown once, notes (lines starting with "#") under the rows.
{
  echo "== core evaluation" >&2
  "$bench/calorvin_evaluate_bench" 2>>"$log"
  if [ -x "$bench/startup/startup_bench" ]; then
    echo "== start-up under Xvfb, $runs alternated runs each" >&2
    "$bench/startup/startup_bench" --runs "$runs" \
      floor="$bench/startup/calorvin_floor" calorvin="$bench/startup/calorvin_measured" 2>>"$log"
    echo "== Calcola on the window" >&2
    "$bench/startup/calculate_bench" 2>>"$log"
  fi
} | awk '/^benchmark / { if (header++) next } /^#/ { notes = notes $0 "\n"; next } { print } END { printf "%s", notes }'
