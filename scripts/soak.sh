#!/usr/bin/env bash
# Runs the end-to-end layer N times (default 10) on an idle machine, then N
# times while CPU hogs keep every core busy, and prints how often each test
# failed in each. A steady suite prints 0 everywhere.
#   scripts/soak.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
build=build/test
scripts/deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKM_SANITIZE=ON -DKM_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

declare -A idle_failed load_failed
hogs=()
stop_hogs() {
    for pid in "${hogs[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait "${hogs[@]}" 2>/dev/null || true
    hogs=()
}
trap stop_hogs EXIT

mapfile -t names < <(ctest --test-dir "$build" -L e2e -N | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1/p')
for name in "${names[@]}"; do idle_failed[$name]=0; load_failed[$name]=0; done

one_round() {  # $1: the name of the table to count into
    local -n failed=$1
    ctest --test-dir "$build" -L e2e -j4 >/dev/null 2>&1 || true
    local log="$build/Testing/Temporary/LastTestsFailed.log"
    [ -f "$log" ] || return 0
    while IFS= read -r line; do
        local name=${line#*:}
        failed[$name]=$(( ${failed[$name]:-0} + 1 ))
    done <"$log"
}

for ((i = 1; i <= runs; i++)); do
    echo "idle run $i of $runs" >&2
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    one_round idle_failed
done

# One busy loop per core, each ended by the clock as well as by the trap.
for ((c = 0; c < $(nproc); c++)); do
    timeout 3600 sh -c 'while :; do :; done' &
    hogs+=($!)
done
for ((i = 1; i <= runs; i++)); do
    echo "loaded run $i of $runs" >&2
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    one_round load_failed
done
stop_hogs

printf '%-6s %-6s %s\n' idle loaded test
for name in "${names[@]}"; do
    printf '%-6s %-6s %s\n' "${idle_failed[$name]}" "${load_failed[$name]}" "$name"
done
# Counted over every failure ctest reported, listed or not.
total=0
for n in "${idle_failed[@]}" "${load_failed[@]}"; do total=$(( total + n )); done
echo "failures in $runs idle and $runs loaded runs: $total"
[ "$total" -eq 0 ]
