#!/usr/bin/env bash
# Builds the benchmarks optimised, without sanitizers, and runs every one of them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKM_TESTS=OFF -DKM_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j"$(nproc)" >/dev/null
for b in build/bench/bin/*_bench*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
done
