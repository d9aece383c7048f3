#!/usr/bin/env bash
# Builds a Release tree and runs every benchmark, then prints one table:
# the core's evaluation (Google Benchmark), the start-up of the program against
# a bare Qt window under Xvfb (time to the window's map, peak memory), and the
# time of "Calcola" on the real window. The window and the bare one are built
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
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCALORVIN_BUILD_TESTS=OFF -DCALORVIN_BUILD_BENCH=ON &&
       cmake --build "$build" -j "$jobs"; } >>"$log" 2>&1; then
  tail -n 40 "$log" >&2
  exit 1
fi

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
bench=$build/bench

# Google Benchmark's repetitions as rows: median, quartiles and range of each
# benchmark, and its ratio to the baseline of its unit (the benchmark of that
# unit whose name ends in Baseline: ns for Evaluate, s for the CSV batch).
if [ -x "$bench/calorvin_evaluate_bench" ]; then
  echo "== core evaluation" >&2
  csv=$build/evaluate_bench.csv
  "$bench/calorvin_evaluate_bench" --benchmark_report_aggregates_only=false \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$csv" --benchmark_out_format=csv >>"$log" 2>&1
  awk -F, '
    function q(a, n, p,   pos, lo, hi) {
      pos = p * (n - 1); lo = int(pos); hi = (lo < pos) ? lo + 1 : lo
      return a[lo] + (a[hi] - a[lo]) * (pos - lo)
    }
    /^name,/ { table = 1; next }
    !table || $1 ~ /_(mean|median|stddev|cv)"?$/ { next }
    {
      name = $1; gsub(/"/, "", name)
      if (!(name in count)) { order[++names] = name; count[name] = 0; unit[name] = $5 }
      v[name, count[name]++] = $3
    }
    END {
      for (i = 1; i <= names; i++) {
        name = order[i]; n = count[name]
        for (j = 0; j < n; j++) s[j] = v[name, j]
        for (j = 1; j < n; j++) { x = s[j]; for (k = j - 1; k >= 0 && s[k] > x; k--) s[k + 1] = s[k]; s[k + 1] = x }
        median[name] = q(s, n, 0.5)
        line[name] = sprintf("%d\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%s", n, median[name], q(s, n, 0.25), q(s, n, 0.75), s[0], s[n - 1], unit[name])
        if (name ~ /Baseline$/) baseOf[unit[name]] = name
      }
      for (i = 1; i <= names; i++) {
        name = order[i]; note = ""; base = baseOf[unit[name]]
        if (name == base) note = "baseline"
        else if (base != "") note = sprintf("%.2fx %s", median[name] / median[base], base)
        printf "core Evaluate\t%s\t%s\t%s\n", name, line[name], note
      }
    }' "$csv" >> "$rows"
fi

if [ -x "$bench/startup/startup_bench" ] && [ -x "$build/ui/calorvin" ]; then
  echo "== start-up under Xvfb, $runs alternated runs each" >&2
  "$bench/startup/startup_bench" --tsv --runs "$runs" \
    floor="$bench/startup/calorvin_floor" calorvin="$build/ui/calorvin" 2>>"$log" >> "$rows"
fi
if [ -x "$bench/startup/calculate_bench" ]; then
  echo "== Calcola on the window" >&2
  "$bench/startup/calculate_bench" --tsv 2>>"$log" >> "$rows"
fi

# Lines that start with "#" are notes, printed under the table.
awk -F'\t' '
  BEGIN { printf "%-32s %-32s %4s %10s %10s %10s %10s %10s %-4s %s\n", "benchmark", "case", "runs", "median", "q1", "q3", "min", "max", "unit", "against baseline / goal" }
  /^#/ { notes = notes substr($0, 3) "\n"; next }
  END { printf "%s", notes }
  { printf "%-32s %-32s %4s %10.5g %10.5g %10.5g %10.5g %10.5g %-4s %s\n", $1, $2, $3, $4, $5, $6, $7, $8, $9, $10 }
' "$rows"
