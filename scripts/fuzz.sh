#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (preset fuzz, clang) and runs each of them.
#   scripts/fuzz.sh [seconds per target] [target ...]
# With FUZZ_RUNS=N in the environment each target instead runs exactly N
# inputs from a fixed seed, so a run is repeatable (the test script does this).
# Each target starts from its committed seed corpus in fuzz/corpus/<target> and
# keeps what it finds in build/fuzz/corpus/<target>. A finding stops the run
# with the failing input saved in build/fuzz/findings/ and a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=()
    for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/findings
# The store file is saved with fsync on every input; a memory file system
# keeps that from dominating the run.
tmp=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for t in "${targets[@]}"; do
    mkdir -p "build/fuzz/corpus/$t"
    if [[ -n ${FUZZ_RUNS:-} ]]; then echo "== fuzz_$t, $FUZZ_RUNS inputs"; else echo "== fuzz_$t for ${seconds} s"; fi
    log="build/fuzz/$t.log"
    status=0
    limit=(-max_total_time="$seconds")
    if [[ -n ${FUZZ_RUNS:-} ]]; then limit=(-runs="$FUZZ_RUNS" -seed=1); fi
    TMPDIR=$tmp "build/fuzz/fuzz/fuzz_$t" "${limit[@]}" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/findings/$t-" "build/fuzz/corpus/$t" "fuzz/corpus/$t" \
        >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    if ((status != 0)); then
        tail -n 60 "$log"
        echo "fuzz_$t found a fault (exit status $status); see $log" >&2
        exit "$status"
    fi
done
