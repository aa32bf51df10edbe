#!/usr/bin/env bash
# Runs every benchmark binary of a build (bench_* in <build>/bin) and reports the medians of 5 runs.
set -euo pipefail

build=${1:-build-bench}
shopt -s nullglob
benches=("$build"/bin/bench_*)
if ((${#benches[@]} == 0)); then
  echo "bench: no bench_* binaries in $build/bin; build with -DKPV_BENCH=ON first" >&2
  exit 1
fi

export QT_QPA_PLATFORM=offscreen
for bench in "${benches[@]}"; do
  echo "== $(basename "$bench")"
  "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${BENCH_FILTER:-.}" | grep -E '^(Benchmark|-+$|.*_median)'
done
